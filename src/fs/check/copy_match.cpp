#include "fs/check/copy_match.h"

#include "fs/entries/entry_support.h"
#include "fs/entries/path_anchor.h"
#include "fs/unique_fd.h"

#include <algorithm>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class LayoutMatch {
public:
    LayoutMatch(const SystemIo& io, std::int64_t toleranceNs, std::stop_token stop)
        : io_(io), toleranceNs_(toleranceNs), stop_(std::move(stop))
    {
    }

    bool entriesAlike(int sourceDir, const char* sourceName, int copyDir, const char* copyName)
    {
        if (stop_.stop_requested())
            return false;
        struct stat source, copy;
        if (io_.statAt(sourceDir, sourceName, &source, AT_SYMLINK_NOFOLLOW) != 0 ||
            io_.statAt(copyDir, copyName, &copy, AT_SYMLINK_NOFOLLOW) != 0 ||
            (source.st_mode & S_IFMT) != (copy.st_mode & S_IFMT))
            return false;
        switch (source.st_mode & S_IFMT) {
        case S_IFREG:
            return source.st_size == copy.st_size && nanosecondsApart(source.st_mtim, copy.st_mtim) <=
                                                         std::uint64_t(std::max<std::int64_t>(toleranceNs_, 0));
        case S_IFLNK:
            return source.st_size == copy.st_size &&
                   linkTarget(sourceDir, sourceName, source.st_size) == linkTarget(copyDir, copyName, copy.st_size);
        case S_IFDIR: return foldersAlike(sourceDir, sourceName, copyDir, copyName);
        default: return true;
        }
    }

private:
    std::string linkTarget(int dir, const char* name, off_t size) const
    {
        std::string target(std::size_t(std::max<off_t>(size, 255)) + 1, '\0');
        const ssize_t length = io_.readLinkAt(dir, name, target.data(), target.size());
        return length < 0 ? std::string("\0", 1) : target.substr(0, std::size_t(length));
    }

    static std::vector<std::string> sortedNames(const SystemIo& io, int fd, bool& failed)
    {
        std::error_code error;
        std::vector<std::string> names;
        for (DirectoryEntry& entry : allEntries(io, fd, error))
            names.push_back(std::move(entry.name));
        failed = failed || bool(error);
        std::ranges::sort(names);
        return names;
    }

    bool foldersAlike(int sourceDir, const char* sourceName, int copyDir, const char* copyName)
    {
        constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        const UniqueFd source(io_.openAt(sourceDir, sourceName, flags));
        const UniqueFd copy(io_.openAt(copyDir, copyName, flags));
        if (!source.valid() || !copy.valid())
            return false;
        bool failed = false;
        const std::vector<std::string> names = sortedNames(io_, source.get(), failed);
        if (failed || sortedNames(io_, copy.get(), failed) != names || failed)
            return false;
        return std::ranges::all_of(names, [&](const std::string& name) {
            return entriesAlike(source.get(), name.c_str(), copy.get(), name.c_str());
        });
    }

    const SystemIo& io_;
    std::int64_t toleranceNs_;
    std::stop_token stop_;
};

} // namespace

bool sameLayout(const SystemIo& io, const fs::path& source, int folder, const std::string& name,
                std::int64_t timeToleranceNs, std::stop_token stop)
{
    auto anchor = PathAnchor::resolve(io, source);
    if (!anchor)
        return false;
    LayoutMatch match(io, timeToleranceNs, std::move(stop));
    return match.entriesAlike(anchor.value().directory(), anchor.value().name(), folder, name.c_str());
}
