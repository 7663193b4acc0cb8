#pragma once
// A text label as the window uses it: no background, not selectable or
// editable, one line that ends in "…" when it is too narrow. GUI thread.

#include "ui/app_font.h"

#include <QColor>
#include <QLabel>

class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);

    void setTextColor(const QColor& color);
    QColor textColor() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

Label* makeLabel(const QString& text, int size, FontWeight weight, const QColor& color, QWidget* parent = nullptr);
