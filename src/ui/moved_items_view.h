#pragma once
// The Moved Items window: every run recorded on this computer, newest first,
// each opening to its items with their original places, how their move
// ended and whether they can come back now; the items selected come back
// with Bring Back. It shows what the controller gives it and says what the user
// does; it reads nothing itself. GUI thread.

#include "ui/window_display.h"

#include <QWidget>

#include <utility>
#include <vector>

class Label;
class QTreeWidget;
class StyledButton;

class MovedItemsView : public QWidget {
    Q_OBJECT
public:
    explicit MovedItemsView(QWidget* parent = nullptr);

    void apply(const MovedItemsDisplay& display);
    // While a bring-back runs: its progress, Stop instead of Bring Back, nothing to choose.
    void showRunning(bool running, const QString& status);

    // The selected items that can come back, as (run, item) in the display's order.
    std::vector<std::pair<int, int>> chosenItems() const;
    void setChosen(int run, int item, bool chosen);

signals:
    void bringBackClicked();
    void stopClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void layoutViews();

    Label* titleLabel_;
    Label* subtitleLabel_;
    QTreeWidget* tree_;
    Label* statusLabel_;
    StyledButton* bringBackButton_;
    StyledButton* stopButton_;
    StyledButton* closeButton_;
    bool running_ = false;
};
