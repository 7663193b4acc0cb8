// The scan run: the folder picker, security-scoped access to what it gave,
// the busy state, the scan on the worker and its result in the store.

#include "controller/candidate_table_model.h"
#include "controller/main_window_controller.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "scan/candidate_scanner.h"
#include "ui/label.h"

#include <QCoreApplication>
#include <QProgressBar>

void MainWindowController::scanAction()
{
    if (isBusy_)
        return;
    // Given up before asking, and not taken back if the user cancels.
    stopSourceAccesses();
    FolderRequest request;
    request.message = I18n::text("panel.source.message");
    request.prompt = I18n::text("panel.source.prompt");
    request.startFolder = fileSystem_.homeDirectory();
    request.multipleSelection = true;
    request.canCreateFolders = false;
    std::vector<std::filesystem::path> chosen = dialogs_.chooseFolders(request);
    if (chosen.empty())
        return;
    sourceRoots_ = std::move(chosen);
    for (const auto& root : sourceRoots_) {
        if (fileSystem_.startAccessing(root))
            scopedSourceURLs_.push_back(root);
    }
    startScan(sourceRoots_);
}

void MainWindowController::startScan(const std::vector<std::filesystem::path>& roots)
{
    if (isBusy_ || roots.empty())
        return;
    isBusy_ = true;
    updateInterfaceState();
    didScan_ = false;
    store_.replaceItems({});
    tableModel_->reloadData();
    progressIndicator_->setRange(0, 0); // indeterminate, animating
    progressPathLabel_->setText(formatText(I18n::text("progress.path.scanning"), {sourceDescription(roots)}));
    progressStatusLabel_->setText(I18n::text("progress.status.scanning"));
    layoutViews();

    // The worker gets values only; the result comes back through the
    // application object, which outlives every window, and finds the
    // controller through a guarded pointer on the GUI thread.
    const FileSystem& fileSystem = fileSystem_;
    QPointer<MainWindowController> controller(this);
    worker_.start([roots, &fileSystem, stop = stopWork_.get_token(), controller] {
        if (stop.stop_requested())
            return;
        std::vector<Candidate> result = scanCandidates(roots, fileSystem, stop);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [controller, result = std::move(result)]() mutable {
                if (controller)
                    controller->finishScan(std::move(result));
            },
            Qt::QueuedConnection);
    });
}

void MainWindowController::finishScan(std::vector<Candidate> result)
{
    progressIndicator_->setRange(0, 1); // no longer animating
    store_.replaceItems(std::move(result));
    didScan_ = true;
    isBusy_ = false;
    updateInterfaceState();
    tableModel_->reloadData();
    updateSummary();
    updateInterfaceState();
}

QString MainWindowController::sourceDescription(const std::vector<std::filesystem::path>& roots) const
{
    QStringList names;
    for (std::size_t i = 0; i < roots.size() && i < 3; ++i)
        names << displayRootName(roots[i], fileSystem_);
    QString description = names.join(QStringLiteral(", "));
    if (roots.size() > 3)
        description += QStringLiteral(" +") + QString::number(roots.size() - 3);
    return description;
}
