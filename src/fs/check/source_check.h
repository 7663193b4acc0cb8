#pragma once
// The last look at an original before it goes to the Trash: every entry of
// the item, hidden ones included, must still be the one that was copied,
// with the same type, identity, length and times, and each folder must hold
// the same names. A difference is FsErrc::sourceChanged with the entry's
// place in the item; nothing is changed on disk. Every system call goes
// through `io`; blocking, call from the transfer worker.

#include "fs/file_system.h"
#include "fs/system_io.h"

#include <filesystem>

// The item is `name` inside the open folder `directory` (or AT_FDCWD);
// `source` is its path, for messages.
FsResult<void> checkSourceUnchanged(const SystemIo& io, int directory, const char* name,
                                    const std::filesystem::path& source, const CopyManifest& copied);
