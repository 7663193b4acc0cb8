#pragma once
// What the main area shows when the table has nothing to show: the picture
// (120 x 120) above a 24 px title and a 15 px subtitle, 14 px apart, the
// group centred in the view. The labels take their natural width. No
// background of its own. GUI thread.

#include "ui/empty_icon_view.h"
#include "ui/label.h"

#include <QWidget>

class EmptyStateView : public QWidget {
    Q_OBJECT
public:
    explicit EmptyStateView(QWidget* parent = nullptr);

    static constexpr int iconSize = 120;
    static constexpr int spacing = 14;
    static constexpr int titleSize = 24;
    static constexpr int subtitleSize = 15;

    EmptyIconView* icon() const { return icon_; }
    Label* titleLabel() const { return titleLabel_; }
    Label* subtitleLabel() const { return subtitleLabel_; }

    // Places the three parts; call after changing a text.
    void layoutContents();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    EmptyIconView* icon_;
    Label* titleLabel_;
    Label* subtitleLabel_;
};
