#include "fs/drive/item_fit_check.h"

#include "fs/drive/destination_rules.h"
#include "fs/entries/entry_support.h"
#include "fs/entries/path_anchor.h"
#include "fs/unique_fd.h"

#include <cerrno>
#include <set>
#include <sys/stat.h>
#include <unordered_map>
#include <utility>

namespace fs = std::filesystem;

namespace {

class FitCheck {
public:
    FitCheck(const SystemIo& io, const DestinationRules& rules) : io_(io), rules_(rules) {}

    // The first entry the destination cannot hold, or nothing.
    FsResult<void> entry(int directory, const char* name, const std::string& relative, const struct stat& st)
    {
        if (S_ISLNK(st.st_mode) && !rules_.symbolicLinks)
            return inItem(FsErrc::linksNotSupported, relative);
        if (S_ISREG(st.st_mode)) {
            if (rules_.largestFile && st.st_size > *rules_.largestFile)
                return inItem(FsErrc::fileTooLarge, relative);
            // A file of several names in the item is copied once, its other
            // names as links of it.
            if (st.st_nlink < 2 || linked_.insert({st.st_dev, st.st_ino}).second)
                total_ += st.st_size;
        }
        if (S_ISDIR(st.st_mode))
            return folder(directory, name, relative);
        return {};
    }

    std::int64_t total() const { return total_; }

private:
    FsResult<void> folder(int directory, const char* name, const std::string& relative)
    {
        UniqueFd fd(io_.openAt(directory, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd.valid())
            return inItem(systemError(errno), relative);
        std::error_code error;
        const std::vector<DirectoryEntry> entries = allEntries(io_, fd.get(), error);
        if (error)
            return inItem(error, relative);
        std::unordered_map<std::string, std::string> folded; // folded name -> the name first seen
        for (const DirectoryEntry& child : entries) {
            const std::string childRelative = joinRelative(relative, child.name);
            if (const auto problem = nameProblem(child.name, rules_))
                return inItem(*problem, childRelative);
            if (rules_.caseInsensitive) {
                const auto [seen, fresh] = folded.emplace(caseFoldedName(child.name), child.name);
                if (!fresh) {
                    FsError twin = inItem(FsErrc::caseCollision, childRelative);
                    twin.otherName = seen->second;
                    return twin;
                }
            }
            struct stat st;
            if (io_.statAt(fd.get(), child.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                return inItem(systemError(errno), childRelative);
            if (auto fits = entry(fd.get(), child.name.c_str(), childRelative, st); !fits)
                return fits;
        }
        return {};
    }

    const SystemIo& io_;
    const DestinationRules& rules_;
    std::int64_t total_ = 0;
    std::set<std::pair<dev_t, ino_t>> linked_; // files of several names, counted once
};

} // namespace

FsResult<void> checkItemFits(const SystemIo& io, const fs::path& source, const std::string& targetName,
                             const DestinationRules& rules, std::optional<std::int64_t> freeBytes)
{
    if (const auto problem = nameProblem(targetName, rules))
        return FsError{*problem, source};
    auto anchor = PathAnchor::resolve(io, source);
    if (!anchor)
        return anchor.error();
    struct stat st;
    if (io.statAt(anchor.value().directory(), anchor.value().name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return FsError{errno, source};
    FitCheck check(io, rules);
    if (auto fits = check.entry(anchor.value().directory(), anchor.value().name(), std::string(), st); !fits)
        return placedIn(fits, source);
    if (freeBytes && check.total() > *freeBytes)
        return FsError{FsErrc::notEnoughSpace, source};
    return {};
}
