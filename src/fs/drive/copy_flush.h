#pragma once
// Puts a finished copy on its drive: when `flushCopy` succeeds, the copy and
// its entry in `parent` are on the drive itself, not only in memory, and
// the drive reported no write-back error since `parent` was opened (so
// open it before the copy is made). An error fails the copy: its writes may
// never have reached the drive.
//
// Linux passes no syncfs on to a FUSE driver, so there every file and folder
// is fsync'ed on its own; except with a FUSE block device driver ("fuseblk":
// exfat-fuse, ntfs-3g). Such a driver keeps its whole volume on one device
// and answers an fsync of any file by writing out all it holds and flushing
// the device, so one fsync of a file of the copy puts all of it on the
// drive. Per file, 20,000 photos on exfat-fuse were 20,000 flushes of the
// device. A file, not a folder: a driver without fsync for folders gets
// none, and the kernel reports success.
//
// Every system call goes through `io`. Blocking; call from the transfer worker.

#include "fs/fs_error.h"
#include "fs/system_io.h"

#include <filesystem>
#include <string>

// The copy is `name` inside the open folder `parent`; `target` is its path,
// for messages.
FsResult<void> flushCopy(const SystemIo& io, int parent, const std::string& name, const std::filesystem::path& target);
