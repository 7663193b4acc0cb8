#include "controller/bring_back_run.h"

#include "controller/gui_thread.h"
#include "controller/moved_items_display.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "transfer/bring_back_report.h"
#include "ui/moved_items_view.h"

BringBackRun::BringBackRun(const FileSystem& fileSystem, Dialogs& dialogs, QThreadPool& worker, std::stop_token gone,
                           QWidget* viewParent, QObject* parent)
    : QObject(parent),
      fileSystem_(fileSystem),
      dialogs_(dialogs),
      worker_(worker),
      gone_(std::move(gone)),
      view_(new MovedItemsView(viewParent))
{
    connect(view_, &MovedItemsView::bringBackClicked, this, &BringBackRun::bringBack);
    connect(view_, &MovedItemsView::stopClicked, this, &BringBackRun::stop);
}

MovedItemsView* BringBackRun::view() const
{
    return view_;
}

void BringBackRun::open()
{
    view_->show();
    view_->raise();
    view_->activateWindow();
    if (!running_)
        list();
}

void BringBackRun::list()
{
    // Read afresh each time: drives come and go, the Trash is emptied.
    view_->apply(MovedItemsDisplay{});
    view_->showRunning(false, I18n::text("moved.looking"));
    worker_.start([&fileSystem = fileSystem_, folder = defaultHistoryFolder(fileSystem_.homeDirectory()), gone = gone_,
                   run = QPointer(this)] {
        if (gone.stop_requested())
            return;
        HistoryNow history = historyNow(folder, fileSystem);
        postToGuiThread(run,
                        [history = std::move(history)](BringBackRun& r) mutable { r.showList(std::move(history)); });
    });
}

void BringBackRun::showList(HistoryNow history)
{
    history_ = std::move(history);
    if (!view_)
        return;
    view_->showRunning(false, QString());
    view_->apply(movedItemsDisplay(*history_, I18n::language()));
}

void BringBackRun::bringBack()
{
    if (running_ || !history_ || !view_)
        return;
    std::vector<ItemRef> chosen;
    for (const auto& [run, item] : view_->chosenItems())
        chosen.push_back({std::size_t(run), std::size_t(item)});
    if (chosen.empty()) {
        dialogs_.showAlert(I18n::text("moved.title"), I18n::text("moved.noneChosen"));
        return;
    }
    if (mayStart_ && !mayStart_()) {
        dialogs_.showAlert(I18n::text("moved.title"), I18n::text("moved.busy"));
        return;
    }
    // All or nothing: a drive not here stops it before anything is written.
    if (const QStringList drives = drivesToPlugIn(*history_, chosen); !drives.isEmpty()) {
        dialogs_.showAlert(I18n::text("moved.title"), formatText(I18n::text("restore.plugIn"), {drives.join(u", ")}));
        return;
    }
    std::vector<BringBackItem> items = bringBackItems(*history_, chosen, std::nullopt);
    stop_ = std::stop_source();
    running_ = true;
    emit runningChanged(true);
    view_->showRunning(true, formatText(I18n::text("progress.bringingBack"),
                                        {std::int64_t(1), std::int64_t(items.size()), QString()}));
    worker_.start([&fileSystem = fileSystem_, items = std::move(items), history = *history_, chosen,
                   stop = stop_.get_token(), gone = gone_, run = QPointer(this)]() mutable {
        if (gone.stop_requested())
            return;
        const BringBackResult result = ::bringBack(
            items, fileSystem,
            [run](std::int64_t index, std::int64_t total, const QString& name) {
                postToGuiThread(run, [index, total, name](BringBackRun& r) {
                    if (r.view_)
                        r.view_->showRunning(true,
                                             formatText(I18n::text("progress.bringingBack"), {index, total, name}));
                });
            },
            {}, stop);
        const bool marked = markBroughtBack(history, chosen, result);
        postToGuiThread(
            run, [items = std::move(items), result, marked](BringBackRun& r) { r.finish(items, result, marked); });
    });
}

void BringBackRun::stop()
{
    if (!running_)
        return;
    stop_.request_stop();
    if (view_)
        view_->showRunning(true, I18n::text("progress.stopping"));
}

void BringBackRun::finish(const std::vector<BringBackItem>& items, const BringBackResult& result, bool marked)
{
    running_ = false;
    emit runningChanged(false);
    const BringBackReport report = makeBringBackReport(items, result);
    QStringList lines = report.lines;
    if (!marked)
        lines.append(I18n::text("history.notMarked"));
    dialogs_.showAlert(report.title, lines.join(u'\n'));
    if (view_)
        list();
}
