#include "ui/rounded_view.h"

#include <QPainter>
#include <QPainterPath>

RoundedView::RoundedView(const QColor& fillColor, std::optional<QColor> borderColor, qreal borderWidth,
                         qreal cornerRadius, QWidget* parent)
    : QWidget(parent),
      fillColor_(fillColor),
      borderColor_(borderColor),
      borderWidth_(borderWidth),
      cornerRadius_(cornerRadius)
{
    applyStyle();
}

void RoundedView::setFillColor(const QColor& color)
{
    fillColor_ = color;
    applyStyle();
}

void RoundedView::setBorderColor(std::optional<QColor> color)
{
    borderColor_ = color;
    applyStyle();
}

void RoundedView::setBorderWidth(qreal width)
{
    borderWidth_ = width;
    applyStyle();
}

void RoundedView::setCornerRadius(qreal radius)
{
    cornerRadius_ = radius;
    applyStyle();
}

void RoundedView::applyStyle()
{
    // Children are clipped exactly when the corners are rounded.
    if (cornerRadius_ > 0 && !size().isEmpty()) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), cornerRadius_, cornerRadius_);
        setMask(QRegion(shape.toFillPolygon().toPolygon()));
    } else {
        clearMask();
    }
    update();
}

void RoundedView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyStyle();
}

void RoundedView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, cornerRadius_ > 0);
    const QRectF bounds(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(fillColor_);
    painter.drawRoundedRect(bounds, cornerRadius_, cornerRadius_);
    if (borderColor_ && borderWidth_ > 0) {
        // Drawn inside the bounds, like a layer border.
        const qreal inset = borderWidth_ / 2;
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(*borderColor_, borderWidth_));
        const qreal radius = qMax<qreal>(0, cornerRadius_ - inset);
        painter.drawRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), radius, radius);
    }
}
