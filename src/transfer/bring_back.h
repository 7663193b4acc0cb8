#pragma once
// Bringing moved items back to this computer. An original still in the
// Trash is put back from there: a rename, nothing read from the drive.
// Otherwise its copy comes from the drive as carefully as it went: under a
// hidden name beside its place, hashed as it is read, compared with the
// run's record (a copy that changed on the drive is refused and its partial
// copy removed), put on the disk, read back and compared again, and only
// then given its name. Nothing in place is ever replaced: a taken name
// brings the item back beside it under a free one. The copy on the drive
// stays. Blocking; for the worker thread.

#include "fs/file_system.h"
#include "transfer/run_record.h"
#include "transfer/transfer_engine.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>
#include <stop_token>
#include <vector>

struct BringBackItem {
    std::filesystem::path original;
    std::filesystem::path target;  // where it goes back: its original place, or into another folder
    std::filesystem::path trashed; // its original in the Trash, tried first; empty for none
    std::filesystem::path copy;    // its copy on the drive; empty where the drive is not here
    std::filesystem::path runs;    // the Loftwell folder holding `copy`
    RecordedItem recorded;         // what the copy held when it was made
    QString drive;                 // the drive's name, for what is said
    bool makeFolders = false;      // missing folders on the way to `target` may be made
};

struct BroughtBack {
    std::optional<std::filesystem::path> at; // where it now is; none where it failed
    bool fromTrash = false;
    bool beside = false; // its own place was taken
    QString failure;     // why not, in the user's words
};

struct BringBackResult {
    std::vector<BroughtBack> items; // one per item, in order
    QString refused;                // refused before anything was written
    bool stopped = false;
};

BringBackResult bringBack(const std::vector<BringBackItem>& items, const FileSystem& fileSystem,
                          const TransferProgress& progress = {}, const ByteCounter& bytes = {},
                          std::stop_token stop = {});
