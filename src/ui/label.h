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

    // Ends of the text that stay whole when it is too narrow (a warning
    // after a name), the longest first: the text before the longest that
    // fits gives way.
    void setWholeTails(const QStringList& tails);
    // The text as drawn at the label's width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList wholeTails_;
};

Label* makeLabel(const QString& text, int size, FontWeight weight, const QColor& color, QWidget* parent = nullptr);
