#pragma once
// Reads a directory's entries straight from the kernel (getdents64 through
// the I/O seam), so a walk costs one system call per few hundred names and
// never decodes a name. The caller lends the buffer, so deep walks can share
// one per thread.

#include "fs/file_system.h"
#include "fs/system_io.h"
#include "model/path_ops.h"

#include <dirent.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

inline EntryType entryTypeFromDirent(unsigned char type)
{
    switch (type) {
    case DT_REG: return EntryType::regular;
    case DT_DIR: return EntryType::directory;
    case DT_LNK: return EntryType::symbolicLink;
    case DT_UNKNOWN: return EntryType::unknown;
    default: return EntryType::other;
    }
}

struct RawDirectoryEntry {
    std::string_view name; // valid only during the visit
    EntryType type;
    std::uint64_t inode;
};

// Calls visit(const RawDirectoryEntry&) for every entry of the open
// directory `fd` except "." and "..". Returns 0, or the errno value of a
// failed read (entries read before the failure have been visited).
template <class Visitor>
int forEachDirectoryEntry(const SystemIo& io, int fd, std::span<char> buffer, Visitor&& visit)
{
    struct LinuxDirent64 {
        std::uint64_t inode;
        std::int64_t offset;
        unsigned short length;
        unsigned char type;
        char name[1];
    };
    for (;;) {
        const long count = io.readDirectory(fd, buffer.data(), buffer.size());
        if (count == 0)
            return 0;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        for (long offset = 0; offset < count;) {
            const char* record = buffer.data() + offset;
            std::uint64_t inode;
            unsigned short length;
            unsigned char type;
            std::memcpy(&inode, record + offsetof(LinuxDirent64, inode), sizeof inode);
            std::memcpy(&length, record + offsetof(LinuxDirent64, length), sizeof length);
            std::memcpy(&type, record + offsetof(LinuxDirent64, type), sizeof type);
            const char* name = record + offsetof(LinuxDirent64, name);
            const std::string_view view(name);
            offset += length;
            if (view == "." || view == "..")
                continue;
            visit(RawDirectoryEntry{view, entryTypeFromDirent(type), inode});
        }
    }
}
