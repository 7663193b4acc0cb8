#include "fs/check/source_check.h"

#include "fs/check/manifest_index.h"
#include "fs/entries/entry_support.h"
#include "fs/unique_fd.h"

#include <cerrno>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class SourceCheck {
public:
    SourceCheck(const SystemIo& io, const CopyManifest& copied) : io_(io), index_(copied) {}

    FsResult<void> run(int directory, const char* name)
    {
        if (auto checked = check(directory, name, std::string()); !checked)
            return checked;
        if (auto gone = index_.firstUnvisited())
            return inItem(FsErrc::sourceChanged, *gone);
        return {};
    }

private:
    FsResult<void> check(int directory, const char* name, const std::string& relative)
    {
        const CopiedEntry* entry = index_.visit(relative);
        if (!entry)
            return inItem(FsErrc::sourceChanged, relative); // added since the copy
        struct stat st;
        if (io_.statAt(directory, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return inItem(errno == ENOENT ? make_error_code(FsErrc::sourceChanged) : systemError(errno), relative);
        if (!stillAsCopied(st, *entry))
            return inItem(FsErrc::sourceChanged, relative);
        return S_ISDIR(st.st_mode) ? checkFolder(directory, name, relative) : FsResult<void>();
    }

    FsResult<void> checkFolder(int directory, const char* name, const std::string& relative)
    {
        UniqueFd folder(io_.openAt(directory, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder.valid()) {
            const bool replaced = errno == ENOENT || errno == ENOTDIR || errno == ELOOP;
            return inItem(replaced ? make_error_code(FsErrc::sourceChanged) : systemError(errno), relative);
        }
        std::error_code listError;
        const std::vector<DirectoryEntry> entries = allEntries(io_, folder.get(), listError);
        if (listError)
            return inItem(listError, relative);
        for (const DirectoryEntry& child : entries) {
            if (auto checked = check(folder.get(), child.name.c_str(), joinRelative(relative, child.name)); !checked)
                return checked;
        }
        return {};
    }

    const SystemIo& io_;
    ManifestIndex index_;
};

} // namespace

FsResult<void> checkSourceUnchanged(const SystemIo& io, int directory, const char* name, const fs::path& source,
                                    const CopyManifest& copied)
{
    return placedIn(SourceCheck(io, copied).run(directory, name), source);
}
