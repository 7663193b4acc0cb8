#include "ui/disk_bar_view.h"

#include "ui/app_color.h"
#include "ui/app_font.h"

#include <QPainter>
#include <QPainterPath>

DiskBarView::DiskBarView(QWidget* parent) : QWidget(parent)
{
    setFont(appFont(12, FontWeight::regular));
}

void DiskBarView::setDisplay(const DiskBarDisplay& display)
{
    if (display == display_)
        return;
    display_ = display;
    setAccessibleName(display.line);
    updateGeometry();
    update();
}

QSize DiskBarView::sizeHint() const
{
    // (2 px for the fractions of a pixel that whole-pixel advances leave out.)
    return QSize(barWidth + gap + fontMetrics().horizontalAdvance(display_.line) + 2, fontMetrics().height());
}

void DiskBarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bar(0, (height() - barHeight) / 2.0, barWidth, barHeight);
    QPainterPath outline;
    outline.addRoundedRect(bar, barHeight / 2.0, barHeight / 2.0);
    painter.setClipPath(outline);
    painter.fillRect(bar, AppColor::border);
    const double used = std::clamp(display_.usedFraction, 0.0, 1.0) * barWidth;
    const double frees = std::clamp(display_.freesFraction, 0.0, display_.usedFraction) * barWidth;
    // The part that stays used, then the part the ticked items free, at its end.
    painter.fillRect(QRectF(bar.left(), bar.top(), used - frees, barHeight), AppColor::mutedText);
    painter.fillRect(QRectF(bar.left() + used - frees, bar.top(), frees, barHeight), AppColor::emerald);
    painter.setClipping(false);
    painter.setPen(AppColor::secondaryText);
    painter.drawText(QRect(barWidth + gap, 0, width() - barWidth - gap, height()), Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(display_.line, Qt::ElideRight, width() - barWidth - gap));
}
