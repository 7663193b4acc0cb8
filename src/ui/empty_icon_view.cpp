#include "ui/empty_icon_view.h"

#include "ui/app_color.h"
#include "ui/illustration_geometry.h"

#include <QPainter>

EmptyIconView::EmptyIconView(QWidget* parent) : QWidget(parent) {}

void EmptyIconView::setActive(bool active)
{
    active_ = active;
    update();
}

void EmptyIconView::paintEvent(QPaintEvent*)
{
    const EmptyIconGeometry geometry = emptyIconGeometry(QRectF(rect()));
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(active_ ? AppColor::emeraldTint : QColor(0, 0, 0, 8)); // black at 3 %
    painter.drawEllipse(geometry.disc);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(active_ ? AppColor::emerald : AppColor::mutedText, EmptyIconGeometry::lineWidth));
    painter.drawRoundedRect(geometry.outline, EmptyIconGeometry::outlineRadius, EmptyIconGeometry::outlineRadius);
    painter.drawLine(geometry.slot);
}
