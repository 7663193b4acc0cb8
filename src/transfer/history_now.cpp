#include "transfer/history_now.h"

#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "transfer/restore_safety.h"

#include <set>

namespace fs = std::filesystem;

HistoryNow historyNow(const fs::path& folder, const FileSystem& fileSystem)
{
    HistoryRead read = readHistory(folder);
    HistoryNow now;
    now.setAside = std::move(read.setAside);
    for (HistoryEntry& entry : read.runs) {
        // This computer's own file, yet read as carefully as a drive's.
        if (auto refusal = recordRefusal(entry.record, false, fileSystem.homeDirectory(), fileSystem)) {
            now.refused.append(formatText(I18n::text("restore.recordRefused"), {displayText(entry.file), *refusal}));
            continue;
        }
        RunNow run{std::move(entry), std::nullopt, {}};
        run.runsNow = runsFolderNow(run.entry, fileSystem);
        for (std::size_t i = 0; i < run.entry.items.size(); ++i)
            run.items.push_back(whereNow(run.entry, i, run.runsNow, fileSystem));
        now.runs.push_back(std::move(run));
    }
    return now;
}

std::int64_t recordedBytes(const RunRecord& record)
{
    std::int64_t bytes = 0;
    for (const RecordedItem& item : record.items)
        bytes += item.sizeBytes;
    return bytes;
}

std::vector<BringBackItem> bringBackItems(const HistoryNow& history, const std::vector<ItemRef>& chosen,
                                          const std::optional<fs::path>& into)
{
    std::vector<BringBackItem> items;
    for (const ItemRef& ref : chosen) {
        const RunNow& run = history.runs.at(ref.run);
        const HistoryItem& item = run.entry.items.at(ref.item);
        const RecordedItem* recorded = recordedItemOf(run.entry.record, item.original);
        const ItemWhere& where = run.items.at(ref.item);
        const fs::path target = into ? *into / lastPathComponent(item.original) : fs::path(item.original);
        items.push_back({item.original, target, where.trashed, where.copy, run.runsNow.value_or(fs::path()),
                         recorded ? *recorded : RecordedItem{}, driveName(run.entry.drive), !into});
    }
    return items;
}

QStringList drivesToPlugIn(const HistoryNow& history, const std::vector<ItemRef>& chosen)
{
    QStringList drives;
    for (const ItemRef& ref : chosen) {
        const RunNow& run = history.runs.at(ref.run);
        if (run.items.at(ref.item).way == BringBackWay::plugIn && !drives.contains(driveName(run.entry.drive)))
            drives.append(driveName(run.entry.drive));
    }
    return drives;
}

bool markBroughtBack(HistoryNow& history, const std::vector<ItemRef>& chosen, const BringBackResult& result)
{
    std::set<std::size_t> changed;
    for (std::size_t i = 0; i < chosen.size() && i < result.items.size(); ++i) {
        if (!result.items[i].at)
            continue;
        history.runs.at(chosen[i].run).entry.items.at(chosen[i].item).broughtBackTo = result.items[i].at->native();
        changed.insert(chosen[i].run);
    }
    bool saved = true;
    for (const std::size_t run : changed)
        saved = saveHistoryEntry(history.runs[run].entry) && saved;
    return saved;
}
