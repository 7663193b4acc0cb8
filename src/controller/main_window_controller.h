#pragma once
// The one controller of the application's window. It owns the run-time state
// (the destination, the candidate list, the authorised folders, whether a
// scan has completed and whether work is running) and every control, and it
// derives what the window shows from that state alone: every change ends in
// updateSummary() and/or updateInterfaceState().
//
// GUI thread only. Background work gets its inputs as values and posts its
// results back through the controller's long-lived QObject.

#include "controller/dialogs.h"
#include "model/candidate_store.h"
#include "fs/file_system.h"
#include "model/volume_item.h"
#include "transfer/transfer_engine.h"

#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <stop_token>

#include <filesystem>
#include <optional>
#include <vector>

class DriveIconView;
class EmptyStateView;
class Label;
class QCheckBox;
class QComboBox;
class QProgressBar;
class QTableView;
class CandidateTableView;
class QWidget;
class RiskBadgeView;
class RoundedView;
class SeparatorView;
class StyledButton;
class CandidateTableModel;

class MainWindowController : public QObject {
    Q_OBJECT
public:
    MainWindowController(FileSystem& fileSystem, Dialogs& dialogs, QObject* parent = nullptr);
    ~MainWindowController() override;

    // The root view, built and laid out on first use (loadView + viewDidLoad).
    QWidget* view();

    void updateInterfaceState();
    void updateSummary();
    void updateDriveLabel();
    void refreshVolumes();

    // Actions of the controls.
    void scanAction();
    void startScan(const std::vector<std::filesystem::path>& roots);
    QString sourceDescription(const std::vector<std::filesystem::path>& roots) const;
    void refreshVolumesAction();
    void chooseDestinationFolder();
    VolumeItem volumeItem(const std::filesystem::path& url) const;
    // The destination entry the pop-up selects, if it selects one.
    std::optional<VolumeItem> selectedDestination() const;
    void driveSelectionChanged();
    void selectSafeAction();
    void selectNoneAction();
    void transferAction();
    void toggleCandidate(int row, bool selected);

    // Lays every band and control out for the root view's current size.
    void layoutViews();

    // State, for the window and for tests.
    FileSystem& fileSystem() const { return fileSystem_; }
    const std::vector<VolumeItem>& volumes() const { return volumes_; }
    CandidateStore& store() { return store_; }
    bool didScan() const { return didScan_; }
    bool isBusy() const { return isBusy_; }
    const std::vector<std::filesystem::path>& sourceRoots() const { return sourceRoots_; }
    const std::vector<std::filesystem::path>& scopedSourceURLs() const { return scopedSourceURLs_; }
    const std::optional<std::filesystem::path>& scopedDestinationURL() const { return scopedDestinationURL_; }

    // Controls, for the window's layout and for tests.
    RoundedView* toolbar() const { return toolbar_; }
    RoundedView* driveSelector() const { return driveSelector_; }
    RoundedView* driveStatusDot() const { return driveStatusDot_; }
    QComboBox* drivePopup() const { return drivePopup_; }
    Label* driveNameLabel() const { return driveNameLabel_; }
    StyledButton* refreshButton() const { return refreshButton_; }
    StyledButton* scanButton() const { return scanButton_; }
    RoundedView* progressStrip() const { return progressStrip_; }
    Label* progressPathLabel() const { return progressPathLabel_; }
    Label* progressStatusLabel() const { return progressStatusLabel_; }
    QProgressBar* progressIndicator() const { return progressIndicator_; }
    RoundedView* summaryStrip() const { return summaryStrip_; }
    Label* selectedCountLabel() const { return selectedCountLabel_; }
    Label* selectedSizeLabel() const { return selectedSizeLabel_; }
    RiskBadgeView* selectedCautionBadge() const { return selectedCautionBadge_; }
    RiskBadgeView* selectedAppBadge() const { return selectedAppBadge_; }
    Label* tabAllLabel() const { return tabAllLabel_; }
    Label* tabSafeLabel() const { return tabSafeLabel_; }
    Label* tabCautionLabel() const { return tabCautionLabel_; }
    Label* tabAppLabel() const { return tabAppLabel_; }
    RoundedView* mainContent() const { return mainContent_; }
    EmptyStateView* emptyState() const { return emptyState_; }
    QTableView* tableView() const { return tableView_; }
    // The table is its own scroll area in Qt; hiding it hides the scroll view.
    QTableView* scrollView() const { return tableView_; }
    RoundedView* bottomBar() const { return bottomBar_; }
    StyledButton* selectSafeButton() const { return selectSafeButton_; }
    StyledButton* selectNoneButton() const { return selectNoneButton_; }
    QCheckBox* moveToTrashCheckbox() const { return moveToTrashCheckbox_; }
    StyledButton* transferButton() const { return transferButton_; }
    CandidateTableModel* tableModel() const { return tableModel_; }

    // Made by the layout.
    DriveIconView* driveIcon() const { return driveIcon_; }
    Label* titleLabel() const { return titleLabel_; }
    Label* subtitleLabel() const { return subtitleLabel_; }
    Label* chevronLabel() const { return chevronLabel_; }

private:
    // Tests put the controller into each situation directly.
    friend struct ControllerStateAccess;

    void loadView();
    void viewDidLoad();
    void buildUI();
    void configureToolbar();
    void configureProgressStrip();
    void configureSummaryStrip();
    void configureMainContent();
    void configureTable();
    void configureBottomBar();
    void configureKeyboard();

    void stopSourceAccesses();
    void stopDestinationAccess();
    void finishScan(std::vector<Candidate> result);
    void showTransferProgress(std::int64_t index, std::int64_t total, const QString& name);
    void showItemProgress(const ItemProgress& item);
    // The bar's resolution within one item.
    static constexpr std::int64_t progressStepsPerItem = 1000;
    void finishTransfer(const TransferResult& result, bool moveOriginalsToTrash);

    FileSystem& fileSystem_;
    Dialogs& dialogs_;
    std::vector<VolumeItem> volumes_;
    CandidateStore store_;

    // The root view owns every control below once the view is loaded; until
    // then they hang off it already, so they are never leaked.
    QPointer<RoundedView> rootView_;
    RoundedView* toolbar_;
    RoundedView* driveSelector_;
    RoundedView* driveStatusDot_;
    QComboBox* drivePopup_;
    Label* driveNameLabel_;
    StyledButton* refreshButton_;
    StyledButton* scanButton_;
    RoundedView* progressStrip_;
    Label* progressPathLabel_;
    Label* progressStatusLabel_;
    QProgressBar* progressIndicator_;
    RoundedView* summaryStrip_;
    Label* selectedCountLabel_;
    Label* selectedSizeLabel_;
    RiskBadgeView* selectedCautionBadge_;
    RiskBadgeView* selectedAppBadge_;
    Label* tabAllLabel_;
    Label* tabSafeLabel_;
    Label* tabCautionLabel_;
    Label* tabAppLabel_;
    RoundedView* mainContent_;
    EmptyStateView* emptyState_;
    QTableView* tableView_;
    CandidateTableModel* tableModel_;
    RoundedView* bottomBar_;
    StyledButton* selectSafeButton_;
    StyledButton* selectNoneButton_;
    QCheckBox* moveToTrashCheckbox_;
    StyledButton* transferButton_;

    bool didScan_ = false;
    std::vector<std::filesystem::path> sourceRoots_;
    std::vector<std::filesystem::path> scopedSourceURLs_;
    std::optional<std::filesystem::path> scopedDestinationURL_;
    bool isBusy_ = false;

    // Made by the layout.
    bool viewLoaded_ = false;
    DriveIconView* driveIcon_ = nullptr;
    Label* titleLabel_ = nullptr;
    Label* subtitleLabel_ = nullptr;
    Label* chevronLabel_ = nullptr;
    SeparatorView* toolbarLine_ = nullptr;
    SeparatorView* progressLine_ = nullptr;
    SeparatorView* summaryTopLine_ = nullptr;
    SeparatorView* summaryBottomLine_ = nullptr;
    SeparatorView* bottomLine_ = nullptr;

    // The one worker for scans and transfers. The controller waits for it
    // when it goes, after asking it to stop, so the worker may use the file
    // system until then.
    QThreadPool worker_;
    std::stop_source stopWork_;
};
