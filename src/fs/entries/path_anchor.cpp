#include "fs/entries/path_anchor.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <vector>

int PathAnchor::directory() const
{
    return directory_.valid() ? directory_.get() : AT_FDCWD;
}

FsResult<PathAnchor> PathAnchor::resolve(const SystemIo& io, const std::filesystem::path& path)
{
    PathAnchor anchor;
    const std::string& native = path.native();
    if (native.size() < PATH_MAX) {
        anchor.name_ = native;
        return anchor;
    }

    std::vector<std::string> components;
    std::string::size_type start = 0;
    while (start <= native.size()) {
        std::string::size_type slash = native.find('/', start);
        if (slash == std::string::npos)
            slash = native.size();
        if (slash > start)
            components.emplace_back(native, start, slash - start);
        start = slash + 1;
    }
    if (components.empty())
        return FsError{ENOENT, path};

    UniqueFd current(io.openAt(AT_FDCWD, native.front() == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!current.valid())
        return FsError{errno, path};
    for (std::size_t i = 0; i + 1 < components.size(); ++i) {
        UniqueFd next(io.openAt(current.get(), components[i].c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!next.valid())
            return FsError{errno, path};
        current = std::move(next);
    }
    anchor.directory_ = std::move(current);
    anchor.name_ = components.back();
    return anchor;
}

FsResult<struct stat> statNoFollow(const SystemIo& io, const std::filesystem::path& path)
{
    auto anchor = PathAnchor::resolve(io, path);
    if (!anchor)
        return anchor.error();
    struct stat st;
    if (io.statAt(anchor.value().directory(), anchor.value().name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return FsError{errno, path};
    return st;
}
