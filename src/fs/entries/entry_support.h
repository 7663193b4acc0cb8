#pragma once
// Small helpers the copier and the verifier share: paths of entries inside
// an item, the whole listing of an open folder, and stat times as one number.

#include "fs/entries/directory_reader.h"
#include "fs/file_system.h"
#include "fs/fs_error.h"
#include "fs/system_io.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <sys/stat.h>
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

// The record of an entry of an item as stat'ed: its place, type, identity and time.
inline CopiedEntry entryAt(const std::string& relative, const struct stat& st)
{
    CopiedEntry entry;
    entry.relativePath = relative;
    entry.type = st.st_mode & S_IFMT;
    entry.device = st.st_dev;
    entry.inode = st.st_ino;
    entry.modifiedNs = nanoseconds(st.st_mtim);
    return entry;
}

// The target of the link `name` in `dir`, whose lstat gave `size`, into
// `entry`; a target that grew while read is a change of the source.
inline FsResult<void> readLinkInto(const SystemIo& io, int dir, const char* name, off_t size, CopiedEntry& entry)
{
    std::string target(std::size_t(std::max<off_t>(size, 255)) + 1, '\0');
    const ssize_t length = io.readLinkAt(dir, name, target.data(), target.size());
    if (length < 0)
        return inItem(systemError(errno), entry.relativePath);
    if (std::size_t(length) == target.size())
        return inItem(FsErrc::sourceChanged, entry.relativePath);
    target.resize(std::size_t(length));
    entry.linkTarget = std::move(target);
    entry.length = length;
    return {};
}
