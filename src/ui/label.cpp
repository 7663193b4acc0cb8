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

void Label::setWholeTails(const QStringList& tails)
{
    wholeTails_ = tails;
    update();
}

QString Label::shownText() const
{
    const int width = contentsRect().width();
    const QFontMetrics metrics = fontMetrics();
    const QString& whole = text();
    if (metrics.horizontalAdvance(whole) <= width)
        return whole;
    for (const QString& tail : wholeTails_) {
        if (tail.isEmpty() || !whole.endsWith(tail))
            continue;
        const int tailWidth = metrics.horizontalAdvance(tail);
        const QString shownHead = metrics.elidedText(whole.chopped(tail.size()), Qt::ElideRight, width - tailWidth);
        // At least a letter and the ellipsis of what gives way.
        if (shownHead.size() >= 2)
            return shownHead + tail;
    }
    return metrics.elidedText(whole, Qt::ElideRight, width);
}

void Label::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(textColor());
    painter.setFont(font());
    painter.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, shownText());
}

Label* makeLabel(const QString& text, int size, FontWeight weight, const QColor& color, QWidget* parent)
{
    auto* label = new Label(parent);
    label->setFont(appFont(size, weight));
    label->setTextColor(color);
    label->setText(text);
    return label;
}
