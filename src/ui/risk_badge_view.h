#pragma once
// A small pill with one centred 11 px semibold text: 18 px high, at least
// 38 px wide. Its label is its first (and only) child, so a caller may change
// the text through it. GUI thread.

#include "ui/label.h"
#include "ui/rounded_view.h"

class RiskBadgeView : public RoundedView {
    Q_OBJECT
public:
    RiskBadgeView(const QString& text, const QColor& foreground, const QColor& background, QWidget* parent = nullptr);

    static constexpr int height = 18;
    static constexpr int minimumWidth = 38;
    static constexpr int radius = 9;
    static constexpr int textSize = 11;

    Label* textLabel() const { return textLabel_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Label* textLabel_;
};
