#pragma once
// The history of moves as it stands now: every run with where its drive is
// mounted, if it is, and how each of its items can come back; the items the
// user chose, as things to bring back; and the history marked once they
// are back. Looks at drives and the Trash: for the worker thread.

#include "transfer/bring_back.h"
#include "transfer/bring_back_plan.h"
#include "transfer/run_history.h"

#include <QStringList>

#include <filesystem>
#include <optional>
#include <vector>

struct ItemRef {
    std::size_t run = 0;
    std::size_t item = 0;
    bool operator==(const ItemRef&) const = default;
};

struct RunNow {
    HistoryEntry entry;
    std::optional<std::filesystem::path> runsNow; // where its copies' folder is now, where its drive is here
    std::vector<ItemWhere> items;                 // one an item of the entry
};

struct HistoryNow {
    std::vector<RunNow> runs;                    // newest first
    std::vector<std::filesystem::path> setAside; // history files that could not be read, under their new names
    QStringList refused;                         // runs left out, their records not plain, and why
};

HistoryNow historyNow(const std::filesystem::path& folder, const FileSystem& fileSystem);

// The size of a run's items as the list measured them.
std::int64_t recordedBytes(const RunRecord& record);

// The chosen items, each to its original place (its missing folders made
// again) or into `into`.
std::vector<BringBackItem> bringBackItems(const HistoryNow& history, const std::vector<ItemRef>& chosen,
                                          const std::optional<std::filesystem::path>& into);

// The drives that chosen items wait for, each once.
QStringList drivesToPlugIn(const HistoryNow& history, const std::vector<ItemRef>& chosen);

// Each chosen item that came back marked as such in its run's history
// file; false where a file could not be written.
bool markBroughtBack(HistoryNow& history, const std::vector<ItemRef>& chosen, const BringBackResult& result);
