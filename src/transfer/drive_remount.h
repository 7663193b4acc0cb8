#pragma once
// Unmounts a drive's file system and mounts it again through the desktop's
// disk service (UDisks2, which file managers mount and eject with, and which
// lets a user do so for their own removable drives). The kernel drops its
// cache of a drive's device when the last program holding it closes it, so
// what is read after this comes from the drive itself, through a driver that
// read its file system afresh. Blocking; called on the transfer worker, with
// nothing of the drive held open.

#include "fs/remount_result.h"

#include <filesystem>

class DriveRemount {
public:
    virtual ~DriveRemount() = default;
    // The file system mounted at `mountPoint`; read-only for a read-back that
    // must write nothing to the drive, else as the desktop mounts it.
    virtual RemountResult remount(const std::filesystem::path& mountPoint, bool readOnly) const = 0;
};
