// The transfer run: the checks, the confirmation, the engine on the worker
// with its progress, and the completion with its report.

#include "controller/gui_thread.h"
#include "controller/main_window_controller.h"
#include "controller/progress_display.h"
#include "controller/transfer_check.h"
#include "model/text_format.h"
#include "transfer/earlier_copies.h"
#include "transfer/same_disk.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_report.h"
#include "ui/main_window_view.h"

#include <QDateTime>

void MainWindowController::transferAction()
{
    if (isBusy_)
        return;
    const bool moveToTrash = view_->moveToTrashChecked();
    std::vector<Candidate> ticked;
    for (const Candidate& item : store_.items()) {
        if (item.selected())
            ticked.push_back(item);
    }
    const bool sameDisk =
        selectedDestination() && anyOnDestinationDisk(ticked, selectedDestination()->url, fileSystem_);
    // Whole copies an earlier run left (a move cut short) are offered
    // before anything is asked or written; used, they need no space.
    std::optional<EarlierCopies> earlier;
    std::int64_t alreadyOnDrive = 0;
    if (selectedDestination() && !ticked.empty()) {
        EarlierCopies found = findEarlierCopies(ticked, selectedDestination()->url, fileSystem_);
        if (found.count() > 0 &&
            dialogs_.confirm(I18n::text("alert.earlier.title"),
                             formatText(I18n::text("alert.earlier.message"), {found.count(), found.runs().join(u", ")}),
                             I18n::text("alert.useThem"), I18n::text("alert.copyAgain"), false)) {
            for (std::size_t i = 0; i < ticked.size(); ++i)
                alreadyOnDrive += found.items[i] ? ticked[i].sizeBytes() : 0;
            earlier = std::move(found);
        }
    }
    auto check =
        checkTransfer(selectedDestination(), store_.items(), moveToTrash, I18n::language(), sameDisk, alreadyOnDrive);
    if (const auto* alert = std::get_if<TransferAlert>(&check)) {
        dialogs_.showAlert(alert->title, alert->message);
        return;
    }
    auto& confirmation = std::get<TransferConfirmation>(check);
    if (!dialogs_.confirm(confirmation.title, confirmation.message, confirmation.acceptTitle, confirmation.cancelTitle,
                          confirmation.cancelByDefault))
        return;

    const auto count = std::int64_t(confirmation.selection.size());
    startRun(true);
    runMovesToTrash_ = moveToTrash;
    runItems_.clear();
    for (const Candidate& item : confirmation.selection)
        runItems_.push_back(item.sourceURL());
    if (desktop_)
        desktop_->keepAwake(I18n::text("desktop.keepAwake"));
    showProgress(transferStartProgress(count, I18n::language()));
    updateInterfaceState();

    const FileSystem& fileSystem = fileSystem_;
    const std::filesystem::path to = selectedDestination()->url;
    const DriveRemount* remount = desktop_ ? desktop_->driveRemount() : nullptr;
    worker_.start([selection = std::move(confirmation.selection), to, moveToTrash, &fileSystem, remount,
                   earlier = std::move(earlier), gone = stopWork_.get_token(), stop = stopRun_.get_token(),
                   pause = &pause_, controller = QPointer(this)] {
        if (gone.stop_requested())
            return;
        const auto progress = [controller](std::int64_t index, std::int64_t total, const QString& name) {
            postToGuiThread(controller, [index, total, name](MainWindowController& c) {
                c.showTransferProgress(index, total, name);
            });
        };
        const auto itemProgress = [controller](const ItemProgress& item) {
            postToGuiThread(controller, [item](MainWindowController& c) { c.showItemProgress(item); });
        };
        TransferResult result = transfer(selection, to, moveToTrash, progress, fileSystem, QDateTime::currentDateTime(),
                                         stop, itemProgress, pause, remount, earlier ? &*earlier : nullptr);
        postToGuiThread(controller,
                        [result = std::move(result)](MainWindowController& c) { c.finishTransfer(result); });
    });
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
    pace_.record(item);
    lastItem_ = item;
    ProgressDisplay progress = transferItemProgress(item, pace_, I18n::language(), isPaused_);
    progress.value = std::max(progress.value, progress_.value);
    showProgress(std::move(progress));
}

void MainWindowController::finishTransfer(const TransferResult& result)
{
    isBusy_ = false;
    isTransferring_ = false;
    isPaused_ = false;
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
    // Rows whose originals went to the Trash stay, shown as moved. After a
    // stop, the items that did not end as asked stay ticked, so Transfer
    // goes on with them; a run that ended by itself clears the ticks.
    for (std::size_t i = 0; i < store_.items().size(); ++i) {
        const auto ran = std::ranges::find(runItems_, store_.items()[i].sourceURL());
        const auto index = std::size_t(ran - runItems_.begin());
        const ItemState state = index < result.states.size() ? result.states[index] : ItemState::notCopied;
        if (ran != runItems_.end() && state == ItemState::moved)
            store_.setMoved(i);
        const bool asAsked = state == (runMovesToTrash_ ? ItemState::moved : ItemState::copied);
        store_.setSelected(i, result.stopped && ran != runItems_.end() && !asAsked);
    }
    view_->reloadTable();
    updateSummary();
    updateInterfaceState();
    // The user chose to stop and quit: the program ends now, with no report
    // waiting for an answer in front of a window that is gone.
    if (quitting_) {
        view_->closeWindow();
        return;
    }
    const TransferReport report = makeTransferReport(result);
    // A user who went elsewhere during a long move is told it ended.
    if (!view_->windowActive()) {
        if (desktop_)
            desktop_->notify(report.title, itemStatesText(result));
        view_->askForAttention();
    }
    // The safe end of a move to a drive: eject it from here.
    const DriveEject* eject = desktop_ ? desktop_->driveEject() : nullptr;
    const bool drive = !volumes_.empty() && !onSystemOrHomeDisk(volumes_.front().url, fileSystem_);
    const auto mountPoint = drive ? fileSystem_.mountPoint(volumes_.front().url) : std::nullopt;
    const std::optional<QString> name = mountPoint && eject ? eject->driveName(*mountPoint) : std::nullopt;
    if (!name) {
        dialogs_.showAlert(report.title, drive ? report.message + I18n::text("alert.ejectByHand") : report.message);
        return;
    }
    if (dialogs_.alertWithAction(report.title, report.message, formatText(I18n::text("alert.eject"), {*name})))
        ejectDestination(*eject, *mountPoint, *name);
}

void MainWindowController::ejectDestination(const DriveEject& eject, const std::filesystem::path& mountPoint,
                                            const QString& name)
{
    if (isBusy_ || volumes_.empty())
        return; // nothing is ejected while a run or a scan goes on
    // Unmounting waits for the drive's last writes, up to a minute: on the
    // worker, with the strip saying so, never on the window's thread.
    startRun(false);
    isEjecting_ = true;
    showProgress(ProgressDisplay{QString(), formatText(I18n::text("progress.ejecting"), {name}), 0, 0});
    updateInterfaceState();
    worker_.start([&eject, mountPoint, name, controller = QPointer(this)] {
        const EjectResult result = eject.eject(mountPoint);
        postToGuiThread(controller, [result, name](MainWindowController& c) { c.finishEject(result, name); });
    });
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
