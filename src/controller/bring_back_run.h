#pragma once
// The bring-back run of the window: the Moved Items window filled from the
// history (read on the worker, as it looks at drives and the Trash), the
// selected items brought back on the worker with their progress and Stop,
// the report, and the history read again. The controller owns it, opens it
// and makes it wait while another run is busy. GUI thread.

#include "fs/file_system.h"
#include "transfer/history_now.h"
#include "ui/dialogs.h"

#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>

class MovedItemsView;

class BringBackRun : public QObject {
    Q_OBJECT
public:
    // `worker` runs one job at a time for the whole window; `gone` ends
    // every job when the window goes. The Moved Items window is a window of
    // its own, a child of `viewParent`.
    BringBackRun(const FileSystem& fileSystem, Dialogs& dialogs, QThreadPool& worker, std::stop_token gone,
                 QWidget* viewParent, QObject* parent = nullptr);

    // Opens the Moved Items window, its list read afresh.
    void open();
    // Brings back the selected items.
    void bringBack();
    // Ends a bring-back at its next file or chunk.
    void stop();

    bool running() const { return running_; }
    // Asked before a bring-back starts: false while another run is busy.
    void setMayStart(std::function<bool()> mayStart) { mayStart_ = std::move(mayStart); }
    MovedItemsView* view() const;

signals:
    // A bring-back began or ended.
    void runningChanged(bool running);

private:
    void list();
    void showList(HistoryNow history);
    // `marked`: the history says which items came back.
    void finish(const std::vector<BringBackItem>& items, const BringBackResult& result, bool marked);

    const FileSystem& fileSystem_;
    Dialogs& dialogs_;
    QThreadPool& worker_;
    std::stop_token gone_;
    QPointer<MovedItemsView> view_;
    std::optional<HistoryNow> history_; // what the window lists
    std::stop_source stop_;
    bool running_ = false;
    std::function<bool()> mayStart_;
};
