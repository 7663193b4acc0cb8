#pragma once
// Turns a path of any length into a (directory descriptor, name) pair for the
// *at() system calls. Paths shorter than PATH_MAX use AT_FDCWD and the path
// itself; longer ones are opened one component at a time (through `io`),
// which the kernel allows at any depth.

#include "fs/fs_error.h"
#include "fs/system_io.h"
#include "fs/unique_fd.h"

#include <filesystem>
#include <string>
#include <sys/stat.h>

class PathAnchor {
public:
    static FsResult<PathAnchor> resolve(const SystemIo& io, const std::filesystem::path& path);

    int directory() const; // a descriptor or AT_FDCWD
    const char* name() const { return name_.c_str(); }

private:
    UniqueFd directory_; // invalid: AT_FDCWD
    std::string name_;
};

// The status of the item at `path` (of any length), not following a link
// there.
FsResult<struct stat> statNoFollow(const SystemIo& io, const std::filesystem::path& path);
