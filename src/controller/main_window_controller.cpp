#include "controller/main_window_controller.h"

#include "controller/destination_display.h"
#include "controller/interface_state.h"
#include "controller/progress_display.h"
#include "controller/selection_summary.h"
#include "controller/summary_texts.h"
#include "model/text_format.h"
#include "ui/main_window_view.h"
#include "ui/moved_items_view.h"

MainWindowController::MainWindowController(FileSystem& fileSystem, Dialogs& dialogs, QObject* parent)
    : QObject(parent),
      fileSystem_(fileSystem),
      dialogs_(dialogs),
      progress_(initialProgress(I18n::language())),
      view_(new MainWindowView(store_)),
      bringBack_(new BringBackRun(fileSystem, dialogs, worker_, stopWork_.get_token(), view_, this))
{
    worker_.setMaxThreadCount(1);
    scanTicker_.setInterval(250);
    connect(&scanTicker_, &QTimer::timeout, this, [this] {
        if (scanTally_)
            showProgress(scanProgress(scanDescription_, scanTally_->files.load(std::memory_order_relaxed),
                                      scanTally_->bytes.load(std::memory_order_relaxed), I18n::language()));
    });
    connect(view_, &MainWindowView::scanClicked, this, &MainWindowController::scanAction);
    connect(view_, &MainWindowView::chooseDestinationClicked, this, &MainWindowController::refreshVolumesAction);
    connect(view_, &MainWindowView::destinationActivated, this, &MainWindowController::driveSelectionChanged);
    connect(view_, &MainWindowView::selectSafeClicked, this, &MainWindowController::selectSafeAction);
    connect(view_, &MainWindowView::selectNoneClicked, this, &MainWindowController::selectNoneAction);
    connect(view_, &MainWindowView::transferClicked, this, &MainWindowController::transferAction);
    connect(view_, &MainWindowView::toggleRequested, this, &MainWindowController::toggleCandidate);
    connect(view_, &MainWindowView::stopClicked, this, &MainWindowController::stopAction);
    connect(view_, &MainWindowView::pauseClicked, this, &MainWindowController::pauseAction);
    connect(view_, &MainWindowView::movedItemsClicked, this, &MainWindowController::movedItemsAction);
    connect(bringBack_, &BringBackRun::runningChanged, this, &MainWindowController::bringBackRunning);
    bringBack_->setMayStart([this] { return !isBusy_; });
}

MainWindowController::~MainWindowController()
{
    // Work still running stops at its next step; its result is dropped.
    stopWork_.request_stop();
    stopRun_.request_stop();
    worker_.waitForDone();
    stopSourceAccesses();
    stopDestinationAccess();
    // The view tree goes with the controller unless a window took it.
    if (view_ && !view_->parent())
        delete view_;
}

QWidget* MainWindowController::view()
{
    if (!viewLoaded_) {
        viewLoaded_ = true;
        view_->apply(summaryTexts(summarize(store_.items()), I18n::language()));
        view_->apply(progress_);
        refreshVolumes(); // ends with the first interface state
    }
    return view_;
}

void MainWindowController::updateInterfaceState()
{
    view_->apply(interfaceState(InterfaceInputs{isBusy_, didScan_, !store_.items().empty(), !volumes_.empty(),
                                                transfer_.running(), transfer_.paused(),
                                                isBusy_ && stopRun_.stop_requested(), bringBack_->running()},
                                I18n::language()));
}

void MainWindowController::showProgress(ProgressDisplay progress)
{
    progress_ = std::move(progress);
    ProgressDisplay shown = progress_;
    // A stop is said at once: the run ends at its next chunk, or once what
    // is on its way to the drive has reached it.
    if (isBusy_ && transfer_.running() && stopRun_.stop_requested())
        shown.statusText = I18n::text("progress.stopping");
    else if (transfer_.paused())
        shown.statusText = formatText(I18n::text("progress.status.paused"), {progress_.statusText});
    view_->apply(shown);
}

void MainWindowController::updateSummary()
{
    const SelectionSummary summary = summarize(store_.items());
    view_->apply(summaryTexts(summary, I18n::language()));
    view_->apply(diskBarDisplay(sourceDisk_, summary.selectedBytes, I18n::language(), destinationOnSourceDisk()));
    updateDriveLabel();
    ProgressDisplay progress = progress_;
    progress.statusText = foundText(summary, I18n::language());
    showProgress(std::move(progress));
    updateInterfaceState();
}

void MainWindowController::startRun()
{
    stopRun_ = std::stop_source();
    pause_.resume();
    isBusy_ = true;
}

void MainWindowController::movedItemsAction()
{
    if (!isBusy_)
        bringBack_->open();
}

void MainWindowController::bringBackRunning(bool running)
{
    if (running && desktop_)
        desktop_->keepAwake(I18n::text("desktop.keepAwake"));
    if (!running && desktop_)
        desktop_->allowSleep();
    updateInterfaceState();
    if (!running && quitting_)
        view_->closeWindow();
}

void MainWindowController::stopAction()
{
    bringBack_->stop();
    if (!isBusy_)
        return;
    stopRun_.request_stop(); // also ends a pause
    transfer_.setPaused(false);
    showProgress(progress_);
    updateInterfaceState();
}

void MainWindowController::pauseAction()
{
    if (!isBusy_ || !transfer_.running() || stopRun_.stop_requested())
        return;
    transfer_.setPaused(!transfer_.paused());
    if (transfer_.paused())
        pause_.pause();
    else
        pause_.resume();
    // Paused, where the run stands and nothing of a speed it no longer has.
    if (transfer_.lastItem())
        showItemProgress(*transfer_.lastItem());
    else
        showProgress(progress_);
    updateInterfaceState();
}

bool MainWindowController::mayClose()
{
    // An eject under way ends by itself within a minute: the window waits
    // for it rather than leaving the program to wait with no window.
    if (isEjecting_)
        return false;
    // A bring-back ends at its next chunk; the window closes once it has.
    if (bringBack_->running()) {
        quitting_ = true;
        bringBack_->stop();
        return false;
    }
    if (!isBusy_ || !transfer_.running())
        return true;
    if (quitting_)
        return false; // stopping already: the window closes when the run has ended
    if (!dialogs_.confirm(I18n::text("alert.quit.title"), I18n::text("alert.quit.message"),
                          I18n::text("alert.quit.stop"), I18n::text("alert.quit.keepGoing")))
        return false;
    // The run may have ended while the question was up.
    if (!isBusy_)
        return true;
    // The window stays, stopping, and closes itself once the run has
    // ended: it never waits here for the worker or the drive.
    quitting_ = true;
    stopAction();
    return false;
}

void MainWindowController::selectSafeAction()
{
    for (std::size_t i = 0; i < store_.items().size(); ++i)
        store_.setSelected(i, store_.items()[i].risk() == RiskLevel::safe);
    view_->reloadTable();
    updateSummary();
}

void MainWindowController::selectNoneAction()
{
    for (std::size_t i = 0; i < store_.items().size(); ++i)
        store_.setSelected(i, false);
    view_->reloadTable();
    updateSummary();
}

void MainWindowController::toggleCandidate(int row, bool selected)
{
    if (row < 0 || std::size_t(row) >= store_.items().size())
        return;
    store_.setSelected(std::size_t(row), selected);
    view_->refreshRow(row);
    updateSummary();
}

void MainWindowController::stopSourceAccesses()
{
    for (const auto& path : scopedSourcePaths_)
        fileSystem_.stopAccessing(path);
    scopedSourcePaths_.clear();
}

void MainWindowController::stopDestinationAccess()
{
    if (scopedDestinationPath_) {
        fileSystem_.stopAccessing(*scopedDestinationPath_);
        scopedDestinationPath_.reset();
    }
}
