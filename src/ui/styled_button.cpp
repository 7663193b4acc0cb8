#include "ui/styled_button.h"

#include "ui/app_color.h"
#include "ui/literal_text.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>

StyledButton::StyledButton(const QString& title, QWidget* parent)
    : QPushButton(literalAmpersands(title), parent),
      fillColor_(AppColor::control),
      disabledFillColor_(AppColor::border),
      titleColor_(AppColor::secondaryText),
      disabledTitleColor_(AppColor::mutedText)
{
    setFlat(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    updateStyle();
}

QString StyledButton::title() const
{
    return text().replace(QStringLiteral("&&"), QStringLiteral("&"));
}

void StyledButton::setTitle(const QString& title)
{
    setText(literalAmpersands(title));
    updateGeometry();
}

void StyledButton::setFillColor(const QColor& color)
{
    fillColor_ = color;
    updateStyle();
}

void StyledButton::setDisabledFillColor(const QColor& color)
{
    disabledFillColor_ = color;
    updateStyle();
}

void StyledButton::setTitleColor(const QColor& color)
{
    titleColor_ = color;
    updateStyle();
}

void StyledButton::setDisabledTitleColor(const QColor& color)
{
    disabledTitleColor_ = color;
    updateStyle();
}

void StyledButton::setCornerRadius(qreal radius)
{
    cornerRadius_ = radius;
    updateStyle();
}

void StyledButton::setFontWeight(FontWeight weight)
{
    fontWeight_ = weight;
    updateStyle();
}

QColor StyledButton::currentFillColor() const
{
    return isEnabled() ? fillColor_ : disabledFillColor_;
}

QColor StyledButton::currentTitleColor() const
{
    return isEnabled() ? titleColor_ : disabledTitleColor_;
}

void StyledButton::updateStyle()
{
    setFont(appFont(titleSize, fontWeight_));
    update();
}

QSize StyledButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(title()) + 32, 36);
}

void StyledButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        updateStyle();
}

void StyledButton::focusInEvent(QFocusEvent* event)
{
    QPushButton::focusInEvent(event);
    keyboardFocus_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
                     event->reason() == Qt::ShortcutFocusReason;
    update();
}

void StyledButton::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    keyboardFocus_ = false;
    update();
}

void StyledButton::keyPressEvent(QKeyEvent* event)
{
    // People coming from other desktops press Return on a focused button.
    const bool activate = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (activate && !event->isAutoRepeat() && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (isEnabled())
            click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void StyledButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = currentFillColor();
    // Subtle feedback: a touch darker under the pointer, more when pressed.
    if (isEnabled() && isDown())
        fill = fill.darker(112);
    else if (isEnabled() && underMouse())
        fill = fill.darker(104);
    const QRectF bounds(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(bounds, cornerRadius_, cornerRadius_);
    if (hasFocus() && keyboardFocus_) {
        // A dark ring with a white one inside it shows on every fill, the
        // green ones included.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(AppColor::focusRing, 2));
        painter.drawRoundedRect(bounds.adjusted(1, 1, -1, -1), qMax<qreal>(0, cornerRadius_ - 1),
                                qMax<qreal>(0, cornerRadius_ - 1));
        painter.setPen(QPen(AppColor::white, 1.5));
        painter.drawRoundedRect(bounds.adjusted(2.75, 2.75, -2.75, -2.75), qMax<qreal>(0, cornerRadius_ - 3),
                                qMax<qreal>(0, cornerRadius_ - 3));
    }
    painter.setPen(currentTitleColor());
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, title());
}

void StyledButton::setColors(const QColor& fill, const QColor& title, const QColor& disabledFill,
                             const QColor& disabledTitle)
{
    setFillColor(fill);
    setTitleColor(title);
    setDisabledFillColor(disabledFill);
    setDisabledTitleColor(disabledTitle);
}
