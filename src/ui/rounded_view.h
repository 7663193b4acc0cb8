#pragma once
// A flat panel: a fill, an optional border and a corner radius. A positive
// radius also clips the panel's children to the rounded shape. Every setter
// takes effect at once. GUI thread.

#include <QColor>
#include <QWidget>

#include <optional>

class RoundedView : public QWidget {
    Q_OBJECT
public:
    RoundedView(const QColor& fillColor, std::optional<QColor> borderColor, qreal borderWidth, qreal cornerRadius,
                QWidget* parent = nullptr);

    QColor fillColor() const { return fillColor_; }
    std::optional<QColor> borderColor() const { return borderColor_; }
    qreal borderWidth() const { return borderWidth_; }
    qreal cornerRadius() const { return cornerRadius_; }

    void setFillColor(const QColor& color);
    void setBorderColor(std::optional<QColor> color);
    void setBorderWidth(qreal width);
    void setCornerRadius(qreal radius);

    // Pushes the four fields to the look: repaint and clipping.
    void applyStyle();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QColor fillColor_;
    std::optional<QColor> borderColor_;
    qreal borderWidth_;
    qreal cornerRadius_;
};
