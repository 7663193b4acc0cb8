#pragma once
// Whether a copy on the drive looks like a whole copy of an item, from what
// the file systems say of both, without reading any contents: the same type;
// for a file the same length and modification time; for a link the same
// target; for a folder the same entries by name, hidden ones included,
// each alike in turn. A time may be off by the drive's granularity (2 s on
// FAT). Folders' own times are not compared: some drivers cannot set them.
// Only a sign that the copy is worth reading back; never proof.
//
// Every system call goes through `io`. Blocking.

#include "fs/system_io.h"

#include <cstdint>
#include <filesystem>
#include <stop_token>
#include <string>

// The copy is `name` inside the open folder `folder`.
bool sameLayout(const SystemIo& io, const std::filesystem::path& source, int folder, const std::string& name,
                std::int64_t timeToleranceNs, std::stop_token stop = {});
