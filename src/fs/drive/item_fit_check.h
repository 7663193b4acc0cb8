#pragma once
// Checks a whole item against what a destination can hold, before any of
// its data is written: every name (the item's own, as it will be called
// there, and every name inside it), names in one folder that a
// case-insensitive destination cannot tell apart, links where none can be
// stored, files beyond the largest size, and the item's total length
// against the free space. One walk of names and sizes; no data is read.
// Every system call goes through `io`; blocking, call from the transfer worker.

#include "fs/file_system.h"
#include "fs/system_io.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

FsResult<void> checkItemFits(const SystemIo& io, const std::filesystem::path& source, const std::string& targetName,
                             const DestinationRules& rules, std::optional<std::int64_t> freeBytes);
