#pragma once
// Small helpers the copier and the verifier share: paths of entries inside
// an item, the whole listing of an open folder, and stat times as one number.

#include "fs/directory_reader.h"
#include "fs/fs_error.h"
#include "fs/system_io.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

inline std::int64_t nanoseconds(const timespec& time)
{
    return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// "a" + "b" is "a/b"; the item itself is "".
inline std::string joinRelative(const std::string& parent, std::string_view name)
{
    return parent.empty() ? std::string(name) : parent + "/" + std::string(name);
}

// All entries of an open folder, hidden ones included; a failed read is an
// errno value.
inline std::vector<DirectoryEntry> allEntries(const SystemIo& io, int fd, std::error_code& error)
{
    std::vector<DirectoryEntry> entries;
    std::array<char, 32 * 1024> buffer;
    const int code = forEachDirectoryEntry(io, fd, buffer, [&](const RawDirectoryEntry& entry) {
        entries.push_back({std::string(entry.name), entry.type});
    });
    error = code == 0 ? std::error_code() : systemError(code);
    return entries;
}
