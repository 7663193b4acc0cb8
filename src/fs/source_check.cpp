#include "fs/source_check.h"

#include "fs/entry_support.h"
#include "fs/unique_fd.h"

#include <cerrno>
#include <sys/stat.h>
#include <unordered_map>

namespace fs = std::filesystem;

namespace {

class SourceCheck {
public:
    SourceCheck(const SystemIo& io, const CopyManifest& copied) : io_(io)
    {
        for (const CopiedEntry& entry : copied.entries)
            expected_.emplace(entry.relativePath, Expected{&entry, false});
    }

    // The first difference found, as the entry's place; an error code says what.
    std::error_code check(int directory, const char* name, const std::string& relative)
    {
        const auto known = expected_.find(relative);
        if (known == expected_.end())
            return changed(relative); // added since the copy
        known->second.seen = true;
        const CopiedEntry& entry = *known->second.entry;
        struct stat st;
        if (io_.statAt(directory, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return errno == ENOENT ? changed(relative) : failed(relative);
        const mode_t type = st.st_mode & S_IFMT;
        if (type != entry.type || st.st_ino != entry.inode || st.st_dev != entry.device)
            return changed(relative);
        switch (type) {
        case S_IFREG:
            if (st.st_size != entry.length || nanoseconds(st.st_mtim) != entry.modifiedNs ||
                nanoseconds(st.st_ctim) != entry.changedNs)
                return changed(relative);
            return {};
        case S_IFLNK:
            if (st.st_size != entry.length)
                return changed(relative);
            return {};
        case S_IFDIR: return checkFolder(directory, name, relative);
        default: return {};
        }
    }

    // An entry copied but gone since.
    std::error_code missing()
    {
        for (const auto& [relative, expected] : expected_) {
            if (!expected.seen)
                return changed(relative);
        }
        return {};
    }

    const std::string& where() const { return where_; }

private:
    struct Expected {
        const CopiedEntry* entry;
        bool seen;
    };

    std::error_code changed(const std::string& relative)
    {
        where_ = relative;
        return make_error_code(FsErrc::sourceChanged);
    }

    std::error_code failed(const std::string& relative)
    {
        where_ = relative;
        return systemError(errno);
    }

    std::error_code checkFolder(int directory, const char* name, const std::string& relative)
    {
        UniqueFd folder(io_.openAt(directory, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder.valid())
            return errno == ENOENT || errno == ENOTDIR || errno == ELOOP ? changed(relative) : failed(relative);
        std::error_code listError;
        const std::vector<DirectoryEntry> entries = allEntries(io_, folder.get(), listError);
        if (listError) {
            where_ = relative;
            return listError;
        }
        for (const DirectoryEntry& child : entries) {
            if (const std::error_code error =
                    check(folder.get(), child.name.c_str(), joinRelative(relative, child.name)))
                return error;
        }
        return {};
    }

    const SystemIo& io_;
    std::unordered_map<std::string, Expected> expected_;
    std::string where_;
};

} // namespace

FsResult<void> checkSourceUnchanged(const SystemIo& io, int directory, const char* name, const fs::path& source,
                                    const CopyManifest& copied)
{
    SourceCheck check(io, copied);
    std::error_code error = check.check(directory, name, std::string());
    if (!error)
        error = check.missing();
    if (!error)
        return {};
    const std::string& relative = check.where();
    return FsError{error, relative.empty() ? source : source / relative, relative};
}
