#pragma once
// What can be brought back, and how, from the history of moves on this
// computer or from the records a drive holds: an original still in the
// Trash goes back from there; else its copy comes from the drive, where the
// drive is mounted now (known by its file system's UUID, or by the run's
// record where it has none); else the drive must be plugged in.

#include "transfer/bring_back.h"
#include "transfer/run_history.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

enum class BringBackWay { trash, drive, plugIn, notCopied, broughtBack };

struct ItemWhere {
    BringBackWay way = BringBackWay::notCopied;
    std::filesystem::path trashed; // its original in the Trash
    std::filesystem::path copy;    // its copy on the drive, where the drive is here
};

// Where the run's Loftwell folder is now: on the drive it went to, mounted
// here; none where that drive is not.
std::optional<std::filesystem::path> runsFolderNow(const HistoryEntry& entry, const FileSystem& fileSystem);

// How item `index` of `entry` can come back now.
ItemWhere whereNow(const HistoryEntry& entry, std::size_t index, const std::optional<std::filesystem::path>& runsNow,
                   const FileSystem& fileSystem);

// The recorded item of `original` in `record`; none for an item not copied.
const RecordedItem* recordedItemOf(const RunRecord& record, const std::string& original);

// True where `original` is one of `paths` or lies inside one.
bool chosenBy(const std::string& original, const std::vector<std::filesystem::path>& paths);

// The drive's name for what is said: its label, else its UUID.
QString driveName(const DriveIdentity& drive);

// A run recorded on a drive, read from the drive alone.
struct DriveRun {
    RunRecord record;
    std::filesystem::path runsFolder;
};

struct DriveRuns {
    std::vector<DriveRun> runs; // newest first
    QStringList refused;        // each record that cannot be used, and why
};

// The runs recorded on the drive holding `drive` (its mount point, its
// Loftwell folder or one run's folder). Each record is read as untrusted:
// one that is not plain (restore_safety.h) is refused whole.
DriveRuns readDriveRuns(const std::filesystem::path& drive, bool toOriginalPlaces, const FileSystem& fileSystem);
