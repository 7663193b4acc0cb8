// The transfer run: the three checks, the confirmation, the engine on the
// worker with its progress, and the completion with its report.

#include "controller/candidate_table_model.h"
#include "controller/main_window_controller.h"
#include "model/byte_format.h"
#include "model/path_ops.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_report.h"
#include "ui/label.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QProgressBar>

namespace {

// Runs `work` on the GUI thread later, if the controller still exists then.
template <class Work>
void postToController(const QPointer<MainWindowController>& controller, Work work)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [controller, work = std::move(work)]() mutable {
            if (controller)
                work(*controller);
        },
        Qt::QueuedConnection);
}

} // namespace

void MainWindowController::transferAction()
{
    if (isBusy_)
        return;
    const std::optional<VolumeItem> destination = selectedDestination();
    if (!destination) {
        dialogs_.showAlert(I18n::text("alert.noDrive.title"), I18n::text("alert.noDrive.message"));
        return;
    }
    std::vector<Candidate> selection;
    std::int64_t selectedBytes = 0;
    std::int64_t cautionWarnings = 0;
    std::int64_t appWarnings = 0;
    for (const Candidate& item : store_.items()) {
        if (!item.selected())
            continue;
        selection.push_back(item);
        selectedBytes += item.sizeBytes();
        cautionWarnings += item.risk() != RiskLevel::safe;
        appWarnings += QString::fromStdString(pathExtension(item.sourceURL())).toLower() == QLatin1String("app");
    }
    if (selection.empty()) {
        dialogs_.showAlert(I18n::text("alert.noSelection.title"), I18n::text("alert.noSelection.message"));
        return;
    }
    if (destination->freeBytes >= 1 && destination->freeBytes < selectedBytes) {
        dialogs_.showAlert(I18n::text("alert.notEnoughSpace.title"),
                           formatText(I18n::text("alert.notEnoughSpace.message"),
                                      {formatBytes(selectedBytes), formatBytes(destination->freeBytes)}));
        return;
    }

    const bool moveToTrash = moveToTrashCheckbox_->isChecked();
    QString body = I18n::text(moveToTrash ? "alert.confirm.trash" : "alert.confirm.copy");
    body += I18n::text("alert.confirm.local");
    if (cautionWarnings > 0)
        body += formatText(I18n::text("alert.confirm.caution"), {cautionWarnings});
    if (appWarnings > 0)
        body += formatText(I18n::text("alert.confirm.apps"), {appWarnings});
    const auto count = std::int64_t(selection.size());
    if (!dialogs_.confirm(formatText(I18n::text("alert.confirm.title"), {count}), body, I18n::text("alert.start"),
                          I18n::text("alert.cancel")))
        return;

    isBusy_ = true;
    updateInterfaceState();
    // Steps within each item, so that a big one moves the bar too.
    progressIndicator_->setRange(0, int(count * progressStepsPerItem));
    progressIndicator_->setValue(0);
    progressPathLabel_->setText(I18n::text("progress.path.transferring"));
    progressStatusLabel_->setText(QStringLiteral("0 / ") + QString::number(count));
    layoutViews();

    const FileSystem& fileSystem = fileSystem_;
    const QPointer<MainWindowController> controller(this);
    const std::filesystem::path to = destination->url;
    worker_.start([selection = std::move(selection), to, moveToTrash, &fileSystem, stop = stopWork_.get_token(),
                   controller] {
        if (stop.stop_requested())
            return;
        const auto progress = [controller](std::int64_t index, std::int64_t total, const QString& name) {
            postToController(controller, [index, total, name](MainWindowController& c) { c.showTransferProgress(index, total, name); });
        };
        const auto itemProgress = [controller](const ItemProgress& item) {
            postToController(controller, [item](MainWindowController& c) { c.showItemProgress(item); });
        };
        TransferResult result = transfer(selection, to, moveToTrash, progress, fileSystem, QDateTime::currentDateTime(),
                                         stop, itemProgress);
        postToController(controller, [result = std::move(result), moveToTrash](MainWindowController& c) mutable {
            c.finishTransfer(result, moveToTrash);
        });
    });
}

void MainWindowController::showTransferProgress(std::int64_t index, std::int64_t total, const QString& name)
{
    // Items finished so far; the current one fills in as it goes.
    progressIndicator_->setValue(int((index - 1) * progressStepsPerItem));
    progressPathLabel_->setText(formatText(I18n::text("progress.path.transferringItem"), {name}));
    progressStatusLabel_->setText(QString::number(index) + QStringLiteral(" / ") + QString::number(total));
    layoutViews();
}

void MainWindowController::showItemProgress(const ItemProgress& item)
{
    const auto steps = std::int64_t(item.fraction() * progressStepsPerItem);
    progressIndicator_->setValue(int((item.index - 1) * progressStepsPerItem + steps));
}

void MainWindowController::finishTransfer(const TransferResult& result, bool moveOriginalsToTrash)
{
    isBusy_ = false;
    updateInterfaceState();
    progressIndicator_->setValue(0);
    refreshVolumes();
    for (std::size_t i = 0; i < store_.items().size(); ++i)
        store_.setSelected(i, false);
    tableModel_->reloadData();
    updateSummary();
    updateInterfaceState();
    const TransferReport report = makeTransferReport(result, moveOriginalsToTrash);
    dialogs_.showAlert(report.title, report.message);
}
