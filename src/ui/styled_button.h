#pragma once
// A flat button that paints its own rounded fill and a 14 px title. It has
// an enabled and a disabled look; changing the title, any colour, the radius,
// the weight or the enabled state shows at once. It takes keyboard focus,
// reacts to Space, Return and Enter, shows focus with a ring, and reports
// itself to assistive technology as a push button with its title.
// GUI thread.

#include "ui/app_font.h"

#include <QColor>
#include <QPushButton>

class StyledButton : public QPushButton {
    Q_OBJECT
public:
    explicit StyledButton(const QString& title, QWidget* parent = nullptr);

    static constexpr int titleSize = 14;

    // The title as drawn; every "&" in it is literal, not a shortcut mark.
    QString title() const;
    void setTitle(const QString& title);

    QColor fillColor() const { return fillColor_; }
    QColor disabledFillColor() const { return disabledFillColor_; }
    QColor titleColor() const { return titleColor_; }
    QColor disabledTitleColor() const { return disabledTitleColor_; }
    qreal cornerRadius() const { return cornerRadius_; }
    FontWeight fontWeight() const { return fontWeight_; }

    void setFillColor(const QColor& color);
    void setDisabledFillColor(const QColor& color);
    void setTitleColor(const QColor& color);
    void setDisabledTitleColor(const QColor& color);
    // All four at once: fill and title, enabled then disabled.
    void setColors(const QColor& fill, const QColor& title, const QColor& disabledFill, const QColor& disabledTitle);
    void setCornerRadius(qreal radius);
    void setFontWeight(FontWeight weight);

    // The fill and title colours of the current state.
    QColor currentFillColor() const;
    QColor currentTitleColor() const;

    void updateStyle();
    // Focus that the keyboard brought shows a ring; a click's does not.
    bool hasKeyboardFocus() const { return hasFocus() && keyboardFocus_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QColor fillColor_;
    QColor disabledFillColor_;
    QColor titleColor_;
    QColor disabledTitleColor_;
    qreal cornerRadius_ = 10;
    FontWeight fontWeight_ = FontWeight::semibold;
    bool keyboardFocus_ = false; // the ring shows only for focus from the keyboard
};
