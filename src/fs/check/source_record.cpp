#include "fs/check/source_record.h"

#include "fs/copy/content_hash.h"
#include "fs/entries/entry_support.h"
#include "fs/entries/path_anchor.h"
#include "fs/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

class SourceRecorder {
public:
    SourceRecorder(const SystemIo& io, const CopyOptions& options) : io_(io), options_(options), buffer_(chunk) {}

    FsResult<CopyManifest> run(const fs::path& source)
    {
        auto anchor = PathAnchor::resolve(io_, source);
        if (!anchor)
            return anchor.error();
        struct stat st;
        if (io_.statAt(anchor.value().directory(), anchor.value().name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return FsError{errno, source};
        if (auto recorded = recordEntry(anchor.value().directory(), anchor.value().name(), std::string(), st);
            !recorded)
            return placedIn(recorded, source).error();
        return std::move(manifest_);
    }

private:
    static constexpr std::size_t chunk = 1 << 20;

    FsResult<void> recordEntry(int dir, const char* name, const std::string& relative, const struct stat& st)
    {
        if (options_.stop.stop_requested())
            return inItem(systemError(ECANCELED), relative);
        CopiedEntry entry = entryAt(relative, st);
        switch (entry.type) {
        case S_IFREG: return recordFile(dir, name, st, std::move(entry));
        case S_IFDIR: manifest_.entries.push_back(entry); return recordFolder(dir, name, relative, st);
        case S_IFLNK:
            if (auto read = readLinkInto(io_, dir, name, st.st_size, entry); !read)
                return read;
            break;
        case S_IFIFO: break;
        default: return inItem(FsErrc::specialFile, relative);
        }
        manifest_.entries.push_back(std::move(entry));
        return {};
    }

    FsResult<void> recordFolder(int dir, const char* name, const std::string& relative, const struct stat& st)
    {
        UniqueFd in(io_.openAt(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat opened;
        if (!in.valid() || io_.stat(in.get(), &opened) != 0)
            return inItem(systemError(errno), relative);
        if (opened.st_ino != st.st_ino || opened.st_dev != st.st_dev)
            return inItem(FsErrc::sourceChanged, relative);
        std::error_code listError;
        const std::vector<DirectoryEntry> entries = allEntries(io_, in.get(), listError);
        if (listError)
            return inItem(listError, relative);
        for (const DirectoryEntry& child : entries) {
            const std::string childRelative = joinRelative(relative, child.name);
            struct stat childStat;
            if (io_.statAt(in.get(), child.name.c_str(), &childStat, AT_SYMLINK_NOFOLLOW) != 0)
                return inItem(systemError(errno), childRelative);
            if (auto recorded = recordEntry(in.get(), child.name.c_str(), childRelative, childStat); !recorded)
                return recorded;
        }
        return {};
    }

    FsResult<void> recordFile(int dir, const char* name, const struct stat& listed, CopiedEntry entry)
    {
        const std::string& relative = entry.relativePath;
        // O_NONBLOCK: if a FIFO took the file's place, opening it must not hang.
        UniqueFd in(io_.openAt(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!in.valid())
            return errno == ELOOP ? inItem(FsErrc::sourceChanged, relative) : inItem(systemError(errno), relative);
        struct stat before;
        if (io_.stat(in.get(), &before) != 0)
            return inItem(systemError(errno), relative);
        if (!S_ISREG(before.st_mode) || before.st_ino != listed.st_ino || before.st_dev != listed.st_dev)
            return inItem(FsErrc::sourceChanged, relative);
        entry.modifiedNs = nanoseconds(before.st_mtim);
        entry.changedNs = nanoseconds(before.st_ctim);
        entry.length = before.st_size;
        const std::pair<dev_t, ino_t> identity{before.st_dev, before.st_ino};
        if (const auto known = hashes_.find(identity); known != hashes_.end()) {
            entry.hash = known->second;
            counted(before.st_size);
        } else {
            io_.fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
            auto hash = hashFile(in.get(), before.st_size, relative);
            if (!hash)
                return hash.error();
            entry.hash = hash.value();
            if (before.st_nlink > 1)
                hashes_.emplace(identity, hash.value());
        }
        manifest_.entries.push_back(std::move(entry));
        return {};
    }

    // Its first `length` bytes; a file that ends sooner has changed.
    FsResult<ContentHash> hashFile(int fd, std::int64_t length, const std::string& relative)
    {
        ContentHasher hasher;
        for (std::int64_t done = 0; done < length;) {
            if (options_.stop.stop_requested())
                return inItem(systemError(ECANCELED), relative);
            const auto want = std::size_t(std::min<std::int64_t>(length - done, std::int64_t(chunk)));
            const ssize_t got = io_.pread(fd, buffer_.data(), want, off_t(done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return inItem(readingError(errno), relative);
            if (got == 0)
                return inItem(FsErrc::sourceChanged, relative);
            hasher.add(buffer_.data(), std::size_t(got));
            done += got;
            counted(got);
        }
        return hasher.finish();
    }

    void counted(std::int64_t bytes) const
    {
        if (options_.copied && bytes > 0)
            options_.copied(bytes);
    }

    const SystemIo& io_;
    CopyOptions options_;
    std::vector<char> buffer_;
    std::map<std::pair<dev_t, ino_t>, ContentHash> hashes_;
    CopyManifest manifest_;
};

} // namespace

FsResult<CopyManifest> recordItemTree(const SystemIo& io, const fs::path& source, const CopyOptions& options)
{
    SourceRecorder recorder(io, options);
    return recorder.run(source);
}
