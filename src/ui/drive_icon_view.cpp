#include "ui/drive_icon_view.h"

#include "ui/app_color.h"
#include "ui/illustration_geometry.h"

#include <QPainter>

DriveIconView::DriveIconView(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("Loftwell"));
}

void DriveIconView::paintEvent(QPaintEvent*)
{
    const DriveIconGeometry geometry = driveIconGeometry(QRectF(rect()));
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(AppColor::emerald);
    painter.drawRoundedRect(geometry.square, DriveIconGeometry::squareRadius, DriveIconGeometry::squareRadius);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(AppColor::white, DriveIconGeometry::lineWidth));
    painter.drawRoundedRect(geometry.outline, DriveIconGeometry::outlineRadius, DriveIconGeometry::outlineRadius);
    painter.drawLine(geometry.slot);
}
