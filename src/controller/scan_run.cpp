// The scan run: the folder picker, access to what it gave, the busy state,
// the scan on the worker and its result in the store.

#include "controller/gui_thread.h"
#include "controller/main_window_controller.h"
#include "controller/progress_display.h"
#include "controller/source_description.h"
#include "scan/candidate_scanner.h"
#include "scan/exact_items.h"
#include "ui/main_window_view.h"

void MainWindowController::scanAction()
{
    if (workRunning())
        return;
    // Given up before asking, and not taken back if the user cancels.
    stopSourceAccesses();
    FolderRequest request;
    request.message = I18n::text("panel.source.message");
    request.prompt = I18n::text("panel.source.prompt");
    request.startFolder = fileSystem_.homeDirectory();
    for (const UserFolder folder : allUserFolders) {
        if (const auto path = fileSystem_.userFolder(folder); path && fileSystem_.exists(*path))
            request.places.push_back(*path);
    }
    request.multipleSelection = true;
    request.canCreateFolders = false;
    std::vector<std::filesystem::path> chosen = dialogs_.chooseFolders(request);
    if (chosen.empty())
        return;
    sourceRoots_ = std::move(chosen);
    for (const auto& root : sourceRoots_) {
        if (fileSystem_.startAccessing(root))
            scopedSourcePaths_.push_back(root);
    }
    startScan(sourceRoots_);
}

void MainWindowController::openItems(const std::vector<std::filesystem::path>& items)
{
    if (workRunning() || items.empty())
        return;
    stopSourceAccesses();
    // Their folders stand for the roots: the disk line, the same-disk check.
    sourceRoots_.clear();
    for (const auto& item : outermostItems(items)) {
        if (std::ranges::find(sourceRoots_, item.parent_path()) == sourceRoots_.end())
            sourceRoots_.push_back(item.parent_path());
        if (fileSystem_.startAccessing(item))
            scopedSourcePaths_.push_back(item);
    }
    startScan(sourceRoots_, items);
}

void MainWindowController::startScan(const std::vector<std::filesystem::path>& roots,
                                     const std::vector<std::filesystem::path>& exactItems)
{
    if (workRunning() || roots.empty())
        return;
    startRun();
    scanDescription_ = sourceDescription(roots, fileSystem_);
    showProgress(scanProgress(scanDescription_, I18n::language()));
    scanTally_ = std::make_shared<ScanTally>();
    scanTicker_.start();
    updateInterfaceState();
    itemsBeforeScan_ = store_.items();
    didScanBefore_ = didScan_;
    didScan_ = false;
    store_.replaceItems({});
    view_->reloadTable();

    const FileSystem& fileSystem = fileSystem_;
    worker_.start([roots, exactItems, &fileSystem, tally = scanTally_, gone = stopWork_.get_token(),
                   stop = stopRun_.get_token(), controller = QPointer(this)] {
        if (gone.stop_requested())
            return;
        std::vector<Candidate> result = exactItems.empty() ? scanCandidates(roots, fileSystem, stop, {}, tally.get())
                                                           : exactCandidates(exactItems, fileSystem, stop);
        const bool stopped = stop.stop_requested();
        postToGuiThread(controller, [result = std::move(result), stopped](MainWindowController& c) mutable {
            c.finishScan(std::move(result), stopped);
        });
    });
}

void MainWindowController::finishScan(std::vector<Candidate> result, bool stopped)
{
    scanTicker_.stop();
    scanTally_.reset();
    ProgressDisplay progress = progress_;
    progress.maximum = 1; // no longer animating
    showProgress(std::move(progress));
    // A stopped scan shows nothing of what it found.
    store_.replaceItems(stopped ? std::move(itemsBeforeScan_) : std::move(result));
    itemsBeforeScan_.clear();
    didScan_ = stopped ? didScanBefore_ : true;
    isBusy_ = false;
    sourceDisk_ = diskOfRoots(sourceRoots_, fileSystem_);
    updateInterfaceState();
    view_->reloadTable();
    updateSummary();
    updateInterfaceState();
}
