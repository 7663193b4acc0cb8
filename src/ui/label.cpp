#include "ui/label.h"

#include <QPainter>

Label::Label(QWidget* parent) : QLabel(parent)
{
    setTextInteractionFlags(Qt::NoTextInteraction);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void Label::setTextColor(const QColor& color)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    setPalette(palette);
    update();
}

QColor Label::textColor() const
{
    return palette().color(QPalette::WindowText);
}

QSize Label::minimumSizeHint() const
{
    // May shrink to nothing: the text then ends in an ellipsis.
    return QSize(0, QLabel::minimumSizeHint().height());
}

void Label::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(textColor());
    painter.setFont(font());
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    painter.drawText(area, int(alignment()) | Qt::TextSingleLine, shown);
}

Label* makeLabel(const QString& text, int size, FontWeight weight, const QColor& color, QWidget* parent)
{
    auto* label = new Label(parent);
    label->setFont(appFont(size, weight));
    label->setTextColor(color);
    label->setText(text);
    return label;
}
