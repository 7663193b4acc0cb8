#include "fs/entries/make_directories.h"

#include "fs/unique_fd.h"

#include <cerrno>
#include <string>

namespace fs = std::filesystem;

FsResult<void> makeDirectories(const SystemIo& io, const fs::path& folder, mode_t mode)
{
    const std::string& native = folder.native();
    if (native.empty())
        return FsError{ENOENT, folder};

    UniqueFd current(io.openAt(AT_FDCWD, native.front() == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!current.valid())
        return FsError{errno, folder};
    std::string::size_type start = 0;
    while (start < native.size()) {
        std::string::size_type slash = native.find('/', start);
        if (slash == std::string::npos)
            slash = native.size();
        if (slash > start) {
            const std::string component(native, start, slash - start);
            if (io.makeDirectoryAt(current.get(), component.c_str(), mode) != 0 && errno != EEXIST)
                return FsError{errno, fs::path(native.substr(0, slash))};
            UniqueFd next(io.openAt(current.get(), component.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (!next.valid())
                return FsError{errno, fs::path(native.substr(0, slash))};
            current = std::move(next);
        }
        start = slash + 1;
    }
    return {};
}
