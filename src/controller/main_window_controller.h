#pragma once
// The one controller of the application's window. It owns the run-time state
// (the destination, the candidate list, the authorised folders, whether a
// scan has completed and whether work is running) and the window's view, and
// decides what the view shows: every change of state ends in plain values
// (interface state, summary, progress, destination) that the view applies.
//
// GUI thread only. Background work gets its inputs as values and posts its
// results back with postToGuiThread, guarded by a QPointer to the controller.

#include "controller/bring_back_run.h"
#include "controller/desktop_session.h"
#include "controller/disk_bar.h"
#include "controller/transfer_run_state.h"
#include "fs/file_system.h"
#include "model/candidate_store.h"
#include "model/volume_item.h"
#include "transfer/pause_gate.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_pace.h"
#include "transfer/transfer_sequence.h"
#include "ui/dialogs.h"
#include "ui/window_display.h"

#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

class MainWindowView;
class WindowTransferFront;

class MainWindowController : public QObject {
    Q_OBJECT
    friend class WindowTransferFront; // asks and shows for the transfer sequence
public:
    MainWindowController(FileSystem& fileSystem, Dialogs& dialogs, QObject* parent = nullptr);
    ~MainWindowController() override;

    // The root view, filled with its first state on first use.
    QWidget* view();

    // Actions of the controls.
    void scanAction();
    // Exactly these items as the list, measured and classified, all ticked,
    // as if a scan had found them (the program started with paths).
    void openItems(const std::vector<std::filesystem::path>& items);
    void refreshVolumesAction();
    void chooseDestinationFolder();
    void driveSelectionChanged();
    void selectSafeAction();
    void selectNoneAction();
    void transferAction();
    // Opens the Moved Items window, where moved items come back.
    void movedItemsAction();
    void toggleCandidate(int row, bool selected);
    // The running job: a scan ends at its next step and the list is as it
    // was before; a transfer stops at its next chunk and reports. Pause holds
    // a transfer until resumed.
    void stopAction();
    void pauseAction();
    // Told of each transfer: kept awake while it runs, notified when it
    // ends while the window is not active. Must outlive the controller.
    void setDesktopSession(DesktopSession* session) { desktop_ = session; }
    // Whether the window may close now. While a transfer runs the user is
    // asked; stopping then waits for the transfer to end at its next chunk.
    bool mayClose();

private:
    // With `exactItems`, those are measured instead of the roots' children.
    void startScan(const std::vector<std::filesystem::path>& roots,
                   const std::vector<std::filesystem::path>& exactItems = {});
    void finishScan(std::vector<Candidate> result, bool stopped);
    // A fresh stop and an open gate for the job about to start.
    void startRun();
    void showTransferProgress(std::int64_t index, std::int64_t total, const QString& name);
    void showItemProgress(const ItemProgress& item);
    // The run's end shown, its report with the offer to eject; true where
    // the user chose to eject, which then begins.
    bool finishTransfer(const TransferResult& result, const EjectOffer& offer);
    // The transfer sequence ended, with or without a run.
    void endTransferSequence();

    // A scan, transfer, eject or bring-back runs: nothing else starts.
    bool workRunning() const { return isBusy_ || bringBack_->running(); }
    void bringBackRunning(bool running);
    void updateInterfaceState();
    void updateSummary();
    void updateDriveLabel();
    void refreshVolumes();
    void showProgress(ProgressDisplay progress);
    std::optional<VolumeItem> selectedDestination() const;
    // The destination lies on the disk of the scanned folders: moving there frees nothing.
    bool destinationOnSourceDisk() const;
    void finishEject(const EjectResult& result, const QString& name);
    void stopSourceAccesses();
    void stopDestinationAccess();

    FileSystem& fileSystem_;
    Dialogs& dialogs_;
    DesktopSession* desktop_ = nullptr;
    std::vector<VolumeItem> volumes_;
    CandidateStore store_;
    bool didScan_ = false;
    std::vector<std::filesystem::path> sourceRoots_;
    std::vector<std::filesystem::path> scopedSourcePaths_;
    std::optional<std::filesystem::path> scopedDestinationPath_;
    bool isBusy_ = false;
    // "Stop and Quit" chosen: the running transfer or bring-back ends without a report, then the window.
    bool quitting_ = false;
    bool isEjecting_ = false;
    TransferRunState transfer_;
    // The disk of the scanned folders, read after each scan and transfer.
    std::optional<DiskSpace> sourceDisk_;
    ProgressDisplay progress_;
    // The running scan's count, shown a few times a second.
    std::shared_ptr<ScanTally> scanTally_;
    QString scanDescription_;
    QTimer scanTicker_;
    // The list and its ticks as they were before the running scan.
    std::vector<Candidate> itemsBeforeScan_;
    bool didScanBefore_ = false;

    // Owns every control. The controller deletes it unless a window took it.
    QPointer<MainWindowView> view_;
    bool viewLoaded_ = false;

    // The one worker for scans and transfers. The controller waits for it
    // when it goes, after asking it to stop, so the worker may use the file
    // system until then.
    QThreadPool worker_;
    std::stop_source stopWork_; // the controller goes
    std::stop_source stopRun_;  // the user stops the running job
    PauseGate pause_;
    // The third kind of run, with its own window; made after the worker, gone before it.
    BringBackRun* bringBack_;
};
