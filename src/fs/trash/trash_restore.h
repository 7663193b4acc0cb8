#pragma once
// Puts an item moved to the Trash back, as a Trash's own "Restore" does: a
// rename out of files/ into the folder held open, never replacing what is
// there, then its .trashinfo removed. Only an entry whose .trashinfo still
// names the original is taken: once the Trash is emptied, its names are
// free for other items.

#include "fs/file_system.h"
#include "fs/system_io.h"

#include <filesystem>
#include <string>

// ENOENT where `trashed` is no longer in the Trash as the entry of
// `original`; EXDEV where `into` is on another drive (nothing moved).
FsResult<void> restoreFromTrash(const SystemIo& io, const std::filesystem::path& trashed,
                                const std::filesystem::path& original, const HeldFolder& into, const std::string& name);

// Path= decoding: %XX back to its byte.
std::string percentDecodePath(const std::string& encoded);
