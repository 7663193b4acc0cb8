#pragma once
// The check of a run, once every copy is written and on the drive, in this
// order and no other:
//   1. every copy gets its own name, and the names are put on the drive,
//      and then the run's record (run_record.h), naming them;
//   2. the drive is made to answer from itself (drive_reach.h): one served
//      by a driver in user space is mounted again, read-only;
//   3. every copy, and the record, is read back from the drive and
//      compared with what was written;
//   4. one verdict for the drive: where any copy read back different or
//      could not be read, or the drive did not come back, no original of
//      the run goes (a copy identical to what was written whose original
//      changed since keeps that one original only);
//   5. with a good verdict, each original, found unchanged once more, goes
//      to the Trash;
//   6. the drive is mounted as before, and every copy not found identical
//      takes back the hidden name of a copy not checked.
// Nothing is written to the drive from step 3 to the end of step 5. On a
// drive that stores less than it claims, any write (a rename, a folder's
// entry, an access time) may land on a copy already read back, whose
// original would then be gone with no true copy left. A stop before step 5
// trashes nothing.

#include "fs/file_system.h"
#include "transfer/drive_remount.h"
#include "transfer/run_item.h"
#include "transfer/run_meter.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

// The run's record, written on the drive: its file on the computer, and
// its name in the dated folder with what was written.
struct RecordOnDrive {
    std::filesystem::path source;
    std::string name;
    CopyManifest manifest;
};

struct CheckRun {
    RunFolders& folders;
    DriveClaim& claim;
    const FileSystem& fileSystem;
    const DriveRemount* remount;
    bool moveToTrash;
    const std::stop_token& stop;
    RunMeter& meter;
    std::optional<FsError> driveGone; // the drive went during the copies
    // Writes the record of the items named, and puts it on the drive.
    std::function<FsResult<RecordOnDrive>(const std::vector<const RunItem*>& named)> writeRecord;
};

struct CheckEnd {
    std::int64_t trashed = 0;
    std::int64_t trashedBytes = 0; // as the scan measured them
    bool driveFault = false;       // the drive gave back what it was not given, or nothing
};

// Checks the run's items whose copies are on the drive (flushed), taking
// each on through its steps or recording why it stopped.
CheckEnd checkCopies(CheckRun& run, std::vector<RunItem>& items);
