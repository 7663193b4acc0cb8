#include "transfer/bring_back_plan.h"

#include "fs/drive/volume_uuid.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "transfer/restore_safety.h"

#include <QFile>

#include <algorithm>

namespace fs = std::filesystem;

namespace {

constexpr auto recordName = ".loftwell-run.json";
// A record lists every file of its run; a bigger one is not a record of ours.
constexpr qint64 largestRecord = 256LL * 1024 * 1024;

// The run's own folder in its runs folder: the first part of a copy's path.
std::string runFolderName(const RunRecord& record)
{
    if (record.items.empty())
        return {};
    const std::string& copy = record.items.front().copy;
    return copy.substr(0, copy.find('/'));
}

std::optional<RunRecord> readRecord(const fs::path& file, QString& problem)
{
    QFile in(displayText(file));
    if (!in.open(QIODevice::ReadOnly)) {
        problem = in.errorString();
        return std::nullopt;
    }
    if (in.size() > largestRecord) {
        problem = I18n::text("restore.recordTooLarge");
        return std::nullopt;
    }
    auto record = parseRunRecord(in.read(largestRecord));
    if (!record)
        problem = I18n::text("restore.recordMalformed");
    return record;
}

bool sameRun(const RunRecord& a, const RunRecord& b)
{
    return a.started == b.started && a.items.size() == b.items.size() &&
           std::equal(a.items.begin(), a.items.end(), b.items.begin(),
                      [](const RecordedItem& x, const RecordedItem& y) { return x.original == y.original; });
}

} // namespace

std::optional<fs::path> runsFolderNow(const HistoryEntry& entry, const FileSystem& fileSystem)
{
    const std::string folder = runFolderName(entry.record);
    if (entry.drive.runsFolder.empty() || !isPlainRelativePath(folder))
        return std::nullopt;
    const fs::path below = entry.drive.runsFolder.lexically_relative(entry.drive.mountPoint);
    std::vector<fs::path> mounts{entry.drive.mountPoint};
    for (const fs::path& mount : fileSystem.driveMountPoints())
        mounts.push_back(mount);
    for (const fs::path& mount : mounts) {
        if (mount.empty() || below.empty())
            continue;
        const fs::path runs = standardizedPath(mount / below);
        if (!entry.drive.uuid.isEmpty()) {
            if (fileSystemUuid(mount) != entry.drive.uuid.toStdString())
                continue;
            if (fileSystem.itemValues(runs / folder))
                return runs;
            continue;
        }
        // No UUID to know the drive by: the run's own record must be there.
        QString problem;
        const auto there = readRecord(runs / folder / recordName, problem);
        if (there && sameRun(*there, entry.record))
            return runs;
    }
    return std::nullopt;
}

const RecordedItem* recordedItemOf(const RunRecord& record, const std::string& original)
{
    const auto found = std::find_if(record.items.begin(), record.items.end(),
                                    [&](const RecordedItem& item) { return item.original == original; });
    return found == record.items.end() ? nullptr : &*found;
}

ItemWhere whereNow(const HistoryEntry& entry, std::size_t index, const std::optional<fs::path>& runsNow,
                   const FileSystem& fileSystem)
{
    const HistoryItem& item = entry.items.at(index);
    ItemWhere where;
    if (!item.broughtBackTo.empty()) {
        where.way = BringBackWay::broughtBack;
        return where;
    }
    if (item.state == ItemState::moved && isPlainAbsolutePath(item.trashedAs) && fileSystem.exists(item.trashedAs)) {
        where.way = BringBackWay::trash;
        where.trashed = item.trashedAs;
    }
    const RecordedItem* recorded = recordedItemOf(entry.record, item.original);
    if (!recorded || !isPlainRelativePath(recorded->copy))
        return where;
    // Seen there, not merely not known to be missing: a drive pulled out answers nothing.
    if (runsNow && fileSystem.itemValues(*runsNow / recorded->copy))
        where.copy = *runsNow / recorded->copy;
    if (where.way != BringBackWay::trash)
        where.way = where.copy.empty() ? BringBackWay::plugIn : BringBackWay::drive;
    return where;
}

bool chosenBy(const std::string& original, const std::vector<fs::path>& paths)
{
    const fs::path item = standardizedPath(original);
    return std::any_of(paths.begin(), paths.end(), [&](const fs::path& path) {
        const fs::path below = item.lexically_relative(standardizedPath(path));
        return !below.empty() && !below.native().starts_with("..");
    });
}

QString driveName(const DriveIdentity& drive)
{
    if (!drive.label.isEmpty())
        return drive.label;
    if (!drive.uuid.isEmpty())
        return drive.uuid;
    return displayText(drive.mountPoint);
}

DriveRuns readDriveRuns(const fs::path& drive, bool toOriginalPlaces, const FileSystem& fileSystem)
{
    // The drive's Loftwell folder, that folder itself, or one run's folder.
    std::vector<fs::path> runFolders;
    for (const fs::path& runs : {drive / "Loftwell", drive}) {
        const auto held = fileSystem.holdFolder(runs);
        if (!held)
            continue;
        const auto entries = fileSystem.folderEntries(held.value());
        for (const DirectoryEntry& entry : entries ? entries.value() : std::vector<DirectoryEntry>()) {
            // Real folders only: a link would lead the read elsewhere.
            const auto values = fileSystem.itemValues(runs / entry.name);
            if (!isHiddenName(entry.name) && values && values.value().isDirectory() &&
                fileSystem.exists(runs / entry.name / recordName))
                runFolders.push_back(runs / entry.name);
        }
        if (!runFolders.empty())
            break;
    }
    if (runFolders.empty() && fileSystem.exists(drive / recordName))
        runFolders.push_back(drive);
    std::sort(runFolders.begin(), runFolders.end());
    DriveRuns found;
    for (const fs::path& folder : runFolders) {
        QString problem;
        auto record = readRecord(folder / recordName, problem);
        if (record && record->items.empty())
            continue;
        if (record && runFolderName(*record) != lastPathComponent(folder))
            problem =
                formatText(I18n::text("restore.unsafe.copy"), {displayText(fs::path(record->items.front().copy))});
        else if (record)
            problem =
                recordRefusal(*record, toOriginalPlaces, fileSystem.homeDirectory(), fileSystem).value_or(QString());
        if (!problem.isEmpty()) {
            found.refused.append(
                formatText(I18n::text("restore.recordRefused"), {displayText(folder / recordName), problem}));
            continue;
        }
        found.runs.push_back({std::move(*record), folder.parent_path()});
    }
    std::sort(found.runs.begin(), found.runs.end(),
              [](const DriveRun& a, const DriveRun& b) { return a.record.started > b.record.started; });
    return found;
}
