#pragma once
// Whether reading a file back reaches the drive, and the way to make it.
//
// A kernel driver (ext4, XFS, btrfs, the kernel's exFAT, vfat and ntfs3)
// reads a file past the page cache once the file's own cached pages are
// dropped. A driver in user space (FUSE: exfat-fuse and ntfs-3g mount as
// "fuseblk", others as "fuse.NAME") reads its device through the kernel's
// cache of that device: a file read back through it comes from memory, not
// from the drive, until that cache is emptied too; and the driver keeps
// its own records of the drive (folders, free space) in its memory, which
// no cache drop reaches. Only unmounting and mounting again empties both
// (the kernel drops a device's pages when its last user closes it: see
// own_remount.h). POSIX_FADV_DONTNEED on the device, for whoever may open
// it, empties the cache alone: enough for a benchmark's cold start, not
// for a check.
//
// Every system call goes through `io`.

#include "fs/file_system.h"
#include "fs/system_io.h"

#include <filesystem>

// The drive of the open folder `folder`, as the kernel's mount table has it.
// Where the table cannot be read the drive is taken to be a user-space one:
// a check that cannot prove it reaches the drive does not count as one.
DriveAccess driveAccessOf(const SystemIo& io, int folder);

// Writes out, then drops, the kernel's cached pages of the block device
// `device`. 0, or an errno value (ENOTBLK for anything but a block device).
int dropBlockDeviceCache(const SystemIo& io, const std::filesystem::path& device);
