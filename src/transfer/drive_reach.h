#pragma once
// Before a run's copies are read back: makes the reads reach the drive
// itself, and nothing of the reading write to it. A kernel driver does so
// file by file (the copy's pages dropped, read without touching its access
// time). A driver in user space (FUSE) answers from what it and the
// kernel's cache of the drive's device keep in memory, its own records of
// folders and free space included, and writes access times as it reads;
// only unmounting the drive and mounting it again, read-only, with nothing
// else holding its device meanwhile, gets past all of that. The remount is
// made
//   1. by the desktop's disk service (`remount`), or else
//   2. by this program itself, where it runs as root;
// the run's folders are found again on the drive wherever it is mounted
// now. A drive that cannot be remounted so (no way to do it, in use, its
// device held by another program) leaves every copy not checked, and
// every original where it is.
// Every copy of the run must be on the drive (flushed) before this.
// Blocking; on the transfer worker.

#include "fs/file_system.h"
#include "transfer/drive_remount.h"
#include "transfer/run_folders.h"

#include <functional>
#include <optional>

struct DriveReach {
    bool reached = true;               // a read-back now comes from the drive
    std::optional<FsError> notReached; // why not, where it does not: copies not checked
    std::optional<FsError> lost;       // the drive did not come back: every copy fails so
    enum class Way { none, service, own };
    Way readOnly = Way::none; // who mounted the drive read-only for the check
    DriveAccess remounted;    // where and from what, to mount it as before
};

// `checking` is told before the drive is unmounted. `folders` may be held
// anew, on the drive's new mount, and `claim` then takes that mount too.
DriveReach reachDrive(RunFolders& folders, DriveClaim& claim, const FileSystem& fileSystem, const DriveRemount* remount,
                      const std::function<void()>& checking);

// After the check: a drive mounted read-only for it is mounted as before,
// the same way, and the run's folders are found again. An error where it
// did not come back writable.
std::optional<FsError> restoreDrive(RunFolders& folders, DriveClaim& claim, const FileSystem& fileSystem,
                                    const DriveRemount* remount, const DriveReach& reach);
