#pragma once
// The main window's content: five full-width bands (toolbar, progress strip,
// summary strip, main content with the table or the empty state, bottom bar)
// with their controls, built, styled and laid out here. It is the only
// writer of its widgets: what they show comes in as plain values, one call
// each; what the user does goes out as signals. Every widget carries an
// object name, which also names it to assistive technology tools.
// GUI thread.

#include "model/candidate_store.h"
#include "ui/background_drag.h"
#include "ui/rounded_view.h"
#include "ui/window_display.h"

#include <QPointer>

class CandidateTableModel;
class CandidateTableView;
class DiskBarView;
class DriveIconView;
class EmptyStateView;
class Label;
class QCheckBox;
class QComboBox;
class QProgressBar;
class QTableView;
class RiskBadgeView;
class SeparatorView;
class StyledButton;

class MainWindowView : public RoundedView {
    Q_OBJECT
public:
    // The table shows `store`, which must outlive the view.
    explicit MainWindowView(const CandidateStore& store, QWidget* parent = nullptr);

    void apply(const InterfaceState& state);
    void apply(const SummaryTexts& summary);
    void apply(const DiskBarDisplay& disk);
    void apply(const ProgressDisplay& progress);
    void apply(const DestinationDisplay& destination);
    // The list in the store was replaced or rewritten; or one row's tick changed.
    void reloadTable();
    void refreshRow(int row);

    // What the user chose.
    bool moveToTrashChecked() const;
    int destinationIndex() const;

    // Whether the user is looking at the window, and asking the window
    // manager to draw the user's eye to it (a blinking task bar entry).
    bool windowActive() const;
    void askForAttention();
    // Closes the window, as its close button does.
    void closeWindow();

signals:
    void scanClicked();
    void chooseDestinationClicked();
    void destinationActivated(int index);
    void selectSafeClicked();
    void selectNoneClicked();
    void transferClicked();
    void movedItemsClicked();
    // The running job's controls (Escape stops too).
    void stopClicked();
    void pauseClicked();
    // A row's tick, by mouse or keyboard; the store is not written here.
    void toggleRequested(int row, bool selected);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // A press on the empty background moves the window where the system allows.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void configureToolbar();
    void configureProgressStrip();
    void configureTable();
    void configureBottomBar();
    void configureKeyboard();
    void layoutViews();
    // Where the focus was when work started, and taking it back there (or
    // on to the list) when the work ends; `focusOnJob`: the focus was on the
    // job's Stop or Pause, where it went when the controls were disabled.
    void rememberFocus();
    void restoreFocus(bool focusOnJob);

    BackgroundDrag backgroundDrag_;

    RoundedView* toolbar_;
    RoundedView* driveSelector_;
    RoundedView* driveStatusDot_;
    QComboBox* drivePopup_;
    Label* driveNameLabel_;
    StyledButton* refreshButton_;
    StyledButton* scanButton_;
    StyledButton* movedItemsButton_;
    RoundedView* progressStrip_;
    Label* progressPathLabel_;
    Label* progressStatusLabel_;
    QProgressBar* progressIndicator_;
    StyledButton* pauseButton_;
    StyledButton* stopButton_;
    RoundedView* summaryStrip_;
    Label* selectedCountLabel_;
    Label* selectedSizeLabel_;
    RiskBadgeView* selectedCautionBadge_;
    RiskBadgeView* selectedAppBadge_;
    DiskBarView* diskBar_;
    Label* tabAllLabel_;
    Label* tabSafeLabel_;
    Label* tabCautionLabel_;
    Label* tabAppLabel_;
    RoundedView* mainContent_;
    EmptyStateView* emptyState_;
    CandidateTableView* tableView_;
    CandidateTableModel* tableModel_;
    RoundedView* bottomBar_;
    StyledButton* selectSafeButton_;
    StyledButton* selectNoneButton_;
    QCheckBox* moveToTrashCheckbox_;
    StyledButton* transferButton_;
    DriveIconView* driveIcon_;
    Label* titleLabel_;
    Label* subtitleLabel_;
    Label* chevronLabel_;
    SeparatorView* toolbarLine_;
    SeparatorView* progressLine_;
    SeparatorView* summaryTopLine_;
    SeparatorView* summaryBottomLine_;
    SeparatorView* bottomLine_;
    QPointer<QWidget> focusBeforeWork_;
    bool keyboardBeforeWork_ = false;
};
