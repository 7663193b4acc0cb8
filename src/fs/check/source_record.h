#pragma once
// Records an item as copying it would (item_copier.h), without writing
// anything: every entry, its identity and times, and every regular file's
// contents hashed as read from the source. For a copy already on the drive
// that a run takes instead of making a new one: the verification then
// checks that copy against this record, as it checks one just made.
//
// A file with several names inside the item is read once; each name gets
// the same hash and no link of its own, as a copy may hold it either way.
// A stop request ends it with ECANCELED. Every system call goes through
// `io`. Blocking; call from the transfer worker.

#include "fs/file_system.h"
#include "fs/system_io.h"

#include <filesystem>

FsResult<CopyManifest> recordItemTree(const SystemIo& io, const std::filesystem::path& source,
                                      const CopyOptions& options);
