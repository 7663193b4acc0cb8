#pragma once
// Whether a drive is served by a driver in user space (FUSE): exfat-fuse and
// ntfs-3g mount as "fuseblk", fusefat and others as "fuse.NAME". Such a
// driver reads its device through the kernel's cache (drive_cache.h) and
// hears of no syncfs (copy_flush.h).

#include "fs/drive/mount_table.h"

#include <optional>

// `fileSystemType` is statfs's f_type, none where statfs failed; `mount` is
// the file system's line in the mount table, none where not found. Either
// one saying FUSE is enough, and a drive statfs cannot tell of counts as
// one: the checks and flushes it calls for are the ones that hold for all.
bool servedInUserSpace(std::optional<long> fileSystemType, const std::optional<MountEntry>& mount);
