// The transfer run: the checks, the confirmation, the engine on the worker
// with its progress, and the completion with its report.

#include "controller/gui_thread.h"
#include "controller/main_window_controller.h"
#include "controller/progress_display.h"
#include "controller/transfer_check.h"
#include "model/text_format.h"
#include "transfer/run_history.h"
#include "transfer/transfer_report.h"
#include "transfer/transfer_sequence.h"
#include "ui/main_window_view.h"

// The window's way of asking and showing, for the sequence on the worker:
// each question waits for the window's answer; the window going, or its
// run stopped, answers "cancel".
class WindowTransferFront : public TransferFront {
public:
    WindowTransferFront(QPointer<MainWindowController> controller, std::stop_token gone)
        : controller_(std::move(controller)), gone_(std::move(gone))
    {
    }

    EarlierAnswer askAboutEarlier(const EarlierCopies& found) override
    {
        const Dialogs::Choice choice = askGuiThread(
            controller_, gone_,
            [count = found.count(), runs = found.runs()](MainWindowController& c) {
                return c.dialogs_.choose(I18n::text("alert.earlier.title"),
                                         formatText(I18n::text("alert.earlier.message"), {count, runs.join(u", ")}),
                                         I18n::text("alert.useThem"), I18n::text("alert.copyAgain"));
            },
            Dialogs::Choice::cancel);
        if (gone_.stop_requested() || choice == Dialogs::Choice::cancel)
            return EarlierAnswer::cancel;
        return choice == Dialogs::Choice::first ? EarlierAnswer::use : EarlierAnswer::copyAgain;
    }

    void refuseForSpace(const TransferPlan& plan) override
    {
        askGuiThread(
            controller_, gone_,
            [alert = spaceRefusal(plan, I18n::language())](MainWindowController& c) {
                c.dialogs_.showAlert(alert.title, alert.message);
                return true;
            },
            false);
    }

    bool confirm(const TransferPlan& plan) override
    {
        return askGuiThread(
            controller_, gone_,
            [confirmation = transferConfirmation(plan, I18n::language())](MainWindowController& c) {
                return c.dialogs_.confirm(confirmation.title, confirmation.message, confirmation.acceptTitle,
                                          confirmation.cancelTitle, confirmation.cancelByDefault);
            },
            false);
    }

    bool report(const TransferResult& result, const EjectOffer& offer) override
    {
        return askGuiThread(
            controller_, gone_, [&](MainWindowController& c) { return c.finishTransfer(result, offer); }, false);
    }

    void ejected(const EjectResult& result, const QString& name) override
    {
        postToGuiThread(controller_, [result, name](MainWindowController& c) { c.finishEject(result, name); });
    }

private:
    QPointer<MainWindowController> controller_;
    std::stop_token gone_;
};

void MainWindowController::transferAction()
{
    if (workRunning())
        return;
    const bool moveToTrash = view_->moveToTrashChecked();
    std::vector<Candidate> ticked;
    for (const Candidate& item : store_.items()) {
        if (item.selected())
            ticked.push_back(item);
    }
    if (const auto alert = transferRefusal(selectedDestination(), ticked, I18n::language())) {
        dialogs_.showAlert(alert->title, alert->message);
        return;
    }
    TransferPlan plan;
    plan.to = selectedDestination()->url;
    plan.moveToTrash = moveToTrash;
    plan.freeBytes = selectedDestination()->freeBytes;

    // From here the window is busy: earlier copies are looked for, the
    // questions asked and the run made on the worker.
    startRun();
    std::vector<std::filesystem::path> runItems;
    for (const Candidate& item : ticked)
        runItems.push_back(item.sourceURL());
    transfer_.begin(std::move(runItems), moveToTrash);
    plan.items = std::move(ticked);
    if (desktop_)
        desktop_->keepAwake(I18n::text("desktop.keepAwake"));
    showProgress(transferStartProgress(std::int64_t(plan.items.size()), I18n::language()));
    updateInterfaceState();

    const FileSystem& fileSystem = fileSystem_;
    const DriveRemount* remount = desktop_ ? desktop_->driveRemount() : nullptr;
    const DriveEject* eject = desktop_ ? desktop_->driveEject() : nullptr;
    worker_.start([plan = std::move(plan), &fileSystem, remount, eject, gone = stopWork_.get_token(),
                   stop = stopRun_.get_token(), pause = &pause_, controller = QPointer(this)]() mutable {
        if (gone.stop_requested())
            return;
        TransferServices services{fileSystem, remount, eject, pause,
                                  stop,       {},      {},    defaultHistoryFolder(fileSystem.homeDirectory())};
        services.progress = [controller](std::int64_t index, std::int64_t total, const QString& name) {
            postToGuiThread(controller, [index, total, name](MainWindowController& c) {
                c.showTransferProgress(index, total, name);
            });
        };
        services.itemProgress = [controller](const ItemProgress& item) {
            postToGuiThread(controller, [item](MainWindowController& c) { c.showItemProgress(item); });
        };
        WindowTransferFront front(controller, gone);
        runTransferSequence(std::move(plan), front, services);
        postToGuiThread(controller, [](MainWindowController& c) { c.endTransferSequence(); });
    });
}

void MainWindowController::endTransferSequence()
{
    // Refused, cancelled or stopped before the run: as before it.
    if (!transfer_.running())
        return;
    isBusy_ = false;
    transfer_.end();
    if (desktop_)
        desktop_->allowSleep();
    showProgress(ProgressDisplay{});
    updateInterfaceState();
    if (quitting_)
        view_->closeWindow();
}

void MainWindowController::showTransferProgress(std::int64_t index, std::int64_t total, const QString& name)
{
    // The bar goes on by bytes; the texts name the item.
    ProgressDisplay progress = transferItemStarted(index, total, name, I18n::language());
    progress.value = progress_.value;
    showProgress(std::move(progress));
}

void MainWindowController::showItemProgress(const ItemProgress& item)
{
    // Each item is named again as its copy is read back. The bar never
    // goes back as the speeds, and with them the estimate, change.
    const TransferPace& pace = transfer_.record(item);
    ProgressDisplay progress = transferItemProgress(item, pace, I18n::language(), transfer_.paused());
    progress.value = std::max(progress.value, progress_.value);
    showProgress(std::move(progress));
}

bool MainWindowController::finishTransfer(const TransferResult& result, const EjectOffer& offer)
{
    isBusy_ = false;
    transfer_.end();
    if (desktop_)
        desktop_->allowSleep();
    updateInterfaceState();
    ProgressDisplay progress = progress_;
    progress.value = 0;
    showProgress(std::move(progress));
    // The drive was mounted again elsewhere to check the copies: the
    // destination is the same folder at its new place.
    if (result.destinationMoved && !volumes_.empty()) {
        stopDestinationAccess();
        if (fileSystem_.startAccessing(*result.destinationMoved))
            scopedDestinationPath_ = *result.destinationMoved;
        volumes_.front().url = *result.destinationMoved;
    }
    refreshVolumes();
    sourceDisk_ = diskOfRoots(sourceRoots_, fileSystem_); // the Trash holds what moved: no change yet
    // Rows whose originals went to the Trash stay, shown as moved.
    for (std::size_t i = 0; i < store_.items().size(); ++i) {
        const TransferRunState::RowEnd row = transfer_.rowEnd(store_.items()[i].sourceURL(), result);
        if (row.moved)
            store_.setMoved(i);
        store_.setSelected(i, row.ticked);
    }
    view_->reloadTable();
    updateSummary();
    updateInterfaceState();
    // The user chose to stop and quit: the program ends now, with no report
    // waiting for an answer in front of a window that is gone.
    if (quitting_) {
        view_->closeWindow();
        return false;
    }
    const TransferReport report = makeTransferReport(result);
    // A user who went elsewhere during a long move is told it ended.
    if (!view_->windowActive()) {
        if (desktop_)
            desktop_->notify(report.title, itemStatesText(result));
        view_->askForAttention();
    }
    // The safe end of a move to a drive: eject it from here.
    if (!offer.name) {
        const bool byHand = offer.drive && offer.used;
        dialogs_.showAlert(report.title, byHand ? report.message + I18n::text("alert.ejectByHand") : report.message);
        return false;
    }
    if (!dialogs_.alertWithAction(report.title, report.message, formatText(I18n::text("alert.eject"), {*offer.name})))
        return false;
    // Unmounting waits for the drive's last writes, up to a minute: on the
    // worker, with the strip saying so, never on the window's thread.
    startRun();
    isEjecting_ = true;
    showProgress(ProgressDisplay{QString(), formatText(I18n::text("progress.ejecting"), {*offer.name}), 0, 0});
    updateInterfaceState();
    return true;
}

void MainWindowController::finishEject(const EjectResult& result, const QString& name)
{
    isBusy_ = false;
    isEjecting_ = false;
    updateInterfaceState();
    switch (result.outcome) {
    case EjectResult::Outcome::ejected:
        stopDestinationAccess();
        volumes_.clear();
        refreshVolumes();
        updateSummary();
        dialogs_.showAlert(formatText(I18n::text("alert.ejected"), {name}), QString());
        return;
    case EjectResult::Outcome::busy:
        dialogs_.showAlert(I18n::text("alert.ejectFailed"), formatText(I18n::text("alert.ejectBusy"), {name}));
        return;
    case EjectResult::Outcome::otherMounted:
        dialogs_.showAlert(I18n::text("alert.ejectFailed"),
                           formatText(I18n::text("alert.ejectOtherPart"), {name, result.reason}));
        return;
    case EjectResult::Outcome::refused:
        dialogs_.showAlert(I18n::text("alert.ejectFailed"),
                           formatText(I18n::text("alert.ejectRefused"), {name, result.reason}));
        return;
    }
}
