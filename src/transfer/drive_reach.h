#pragma once
// Before a run's copies are read back: makes the reads reach the drive
// itself. A kernel driver does so file by file. Through a driver in user
// space (FUSE) they would come from the kernel's cache of the drive's
// device, so that cache is emptied first, in the first way that works:
//   1. the desktop's disk service unmounts the drive and mounts it again
//      (`remount`), and the run's folders are found again on it, wherever
//      it is mounted now;
//   2. the device's cached pages are dropped, where this process may open
//      the device (root, or the "disk" group);
//   3. neither: the copies cannot be checked on the drive, and no original
//      may go.
// Every copy of the run must be on the drive (flushed) before this.
// Blocking; on the transfer worker.

#include "fs/file_system.h"
#include "transfer/drive_remount.h"
#include "transfer/run_folders.h"

#include <functional>
#include <optional>

struct DriveReach {
    bool reached = true;         // a read-back now comes from the drive
    std::optional<FsError> lost; // the drive did not come back: every copy fails so
};

// `checking` is told before the drive is unmounted or its cache emptied.
// `folders` may be held anew, on the drive's new mount.
DriveReach reachDrive(RunFolders& folders, const FileSystem& fileSystem, const DriveRemount* remount,
                      const std::function<void()>& checking);
