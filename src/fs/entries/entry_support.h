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
#include <limits>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

// A time as nanoseconds since 1970. Times past 2262 or before 1677 do not
// fit: they saturate, so such a file still counts as newest or oldest.
inline std::int64_t nanoseconds(const timespec& time)
{
    constexpr std::int64_t perSecond = 1'000'000'000;
    constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t least = std::numeric_limits<std::int64_t>::min();
    const std::int64_t seconds = time.tv_sec;
    if (seconds > (most - time.tv_nsec) / perSecond)
        return most;
    if (seconds < least / perSecond)
        return least;
    return seconds * perSecond + time.tv_nsec;
}

// How far apart two times are, in nanoseconds, saturated: exact for any two
// times a drive may report, saturated ones included.
inline std::uint64_t nanosecondsApart(const timespec& a, const timespec& b)
{
    constexpr std::uint64_t perSecond = 1'000'000'000;
    const bool aLater = a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
    const timespec& later = aLater ? a : b;
    const timespec& earlier = aLater ? b : a;
    // Unsigned: the difference of two 64-bit second counts always fits.
    std::uint64_t seconds = std::uint64_t(later.tv_sec) - std::uint64_t(earlier.tv_sec);
    long fraction = later.tv_nsec - earlier.tv_nsec;
    if (fraction < 0) {
        fraction += long(perSecond);
        --seconds;
    }
    const std::uint64_t rest = std::uint64_t(fraction);
    if (seconds > (std::numeric_limits<std::uint64_t>::max() - rest) / perSecond)
        return std::numeric_limits<std::uint64_t>::max();
    return seconds * perSecond + rest;
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
