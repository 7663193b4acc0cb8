#include "fs/copy/item_copier.h"

#include "fs/copy/content_hash.h"
#include "fs/copy/drive_pacer.h"
#include "fs/copy/extended_attributes.h"
#include "fs/copy/file_data_copy.h"
#include "fs/copy/process_umask.h"
#include "fs/copy/work_pool.h"
#include "fs/entries/entry_support.h"
#include "fs/entries/path_anchor.h"
#include "fs/unique_fd.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Small files are copied this many at a time; big ones two at a time, as
// many more would only make a drive seek between them.
constexpr std::size_t copyLanes = 8;
constexpr std::ptrdiff_t bigFilesAtOnce = 2;
constexpr std::int64_t bigFileFrom = 8LL * 1024 * 1024;

std::vector<std::unique_ptr<CopyLane>> makeLanes(std::size_t count)
{
    std::vector<std::unique_ptr<CopyLane>> lanes;
    for (std::size_t i = 0; i < count; ++i)
        lanes.push_back(std::make_unique<CopyLane>());
    return lanes;
}

// exFAT and FAT cannot store every mode or time and say so with EPERM, or
// (fusefat, for folders) ENOSYS; the data is what counts.
bool unsupportedMode(int code)
{
    return code == EPERM || code == EOPNOTSUPP || code == ENOTSUP || code == ENOSYS;
}

// The errno of the call that just failed, at a place inside the item.
FsError lastErrorAt(const std::string& relative)
{
    return inItem(systemError(errno), relative);
}

class ItemCopier {
public:
    ItemCopier(const SystemIo& io, const CopyOptions& options)
        : io_(io), options_(options), umask_(currentUmask()), data_(io, options.stop, options.copied, options.pacer)
    {
    }

    FsResult<CopyManifest> run(const fs::path& source, int targetDirectory, const char* targetName)
    {
        auto sourceAnchor = PathAnchor::resolve(io_, source);
        if (!sourceAnchor)
            return sourceAnchor.error();
        struct stat st;
        if (io_.statAt(sourceAnchor.value().directory(), sourceAnchor.value().name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return FsError{errno, source};
        auto copied = copyEntry(sourceAnchor.value().directory(), sourceAnchor.value().name(), targetDirectory,
                                targetName, std::string(), st);
        if (!copied)
            pool_.fail(copied);
        // The first failure, a file's or the walk's, is the item's.
        if (auto files = pool_.finish(); !files)
            copied = std::move(files);
        // What this item still has in flight is not the next one's progress.
        if (options_.pacer)
            options_.pacer->settle();
        if (!copied)
            return placedIn(copied, source).error();
        return std::move(manifest_);
    }

private:
    void record(CopiedEntry entry)
    {
        std::lock_guard lock(mutex_);
        manifest_.entries.push_back(std::move(entry));
    }

    bool stopped() const { return options_.stop.stop_requested(); }

    void counted(std::int64_t bytes) const
    {
        if (options_.copied && bytes > 0)
            options_.copied(bytes);
    }

    FsResult<void> copyEntry(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                             const std::string& relative, const struct stat& st)
    {
        if (stopped())
            return inItem(systemError(ECANCELED), relative);
        CopiedEntry entry = entryAt(relative, st);
        FsResult<void> copied;
        switch (entry.type) {
        case S_IFREG:
            copied = copyFile(sourceDir, sourceName, targetDir, targetName, relative, &st, entry, *lanes_.back());
            break;
        case S_IFDIR: record(entry); return copyFolder(sourceDir, sourceName, targetDir, targetName, relative, st);
        case S_IFLNK: copied = copyLink(sourceDir, sourceName, targetDir, targetName, relative, st, entry); break;
        case S_IFIFO:
            if (io_.makeFifoAt(targetDir, targetName, st.st_mode & 07777) != 0)
                return lastErrorAt(relative);
            copied = setTimes(targetDir, targetName, st, relative);
            break;
        default: return inItem(FsErrc::specialFile, relative);
        }
        if (copied)
            record(std::move(entry));
        return copied;
    }

    FsResult<void> setTimes(int dir, const char* name, const struct stat& st, const std::string& relative)
    {
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (io_.setTimesAt(dir, name, times, AT_SYMLINK_NOFOLLOW) != 0 && !unsupportedMode(errno))
            return lastErrorAt(relative);
        return {};
    }

    FsResult<void> copyLink(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                            const std::string& relative, const struct stat& st, CopiedEntry& entry)
    {
        if (auto read = readLinkInto(io_, sourceDir, sourceName, st.st_size, entry); !read)
            return read;
        if (io_.symlinkAt(entry.linkTarget.c_str(), targetDir, targetName) != 0)
            return lastErrorAt(relative);
        return setTimes(targetDir, targetName, st, relative);
    }

    FsResult<void> copyFolder(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                              const std::string& relative, const struct stat& st)
    {
        auto folder = std::make_shared<OpenFolder>();
        folder->relative = relative;
        folder->status = st;
        folder->in.reset(io_.openAt(sourceDir, sourceName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder->in.valid())
            return lastErrorAt(relative);
        const int in = folder->in.get();
        struct stat opened;
        if (io_.stat(in, &opened) != 0)
            return lastErrorAt(relative);
        if (opened.st_ino != st.st_ino || opened.st_dev != st.st_dev)
            return inItem(FsErrc::sourceChanged, relative);
        // Writable while filling it; its own mode comes last.
        if (io_.makeDirectoryAt(targetDir, targetName, 0700) != 0)
            return lastErrorAt(relative);
        folder->out.reset(io_.openAt(targetDir, targetName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder->out.valid())
            return lastErrorAt(relative);
        const int out = folder->out.get();
        if (relative.empty()) {
            struct stat made;
            if (io_.stat(out, &made) == 0)
                targetTop_ = {made.st_dev, made.st_ino};
            // Hard links inside the item are made relative to the copy's top.
            targetTopFd_.reset(io_.openAt(out, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        }
        // Reaching the copy's own top folder means copying into itself.
        if (!relative.empty() && targetTop_ && targetTop_->first == st.st_dev && targetTop_->second == st.st_ino)
            return inItem(FsErrc::copyIntoItself, relative);

        std::error_code listError;
        const std::vector<DirectoryEntry> entries = allEntries(io_, in, listError);
        if (listError)
            return inItem(listError, relative);
        // Regular files, known from their directory entries, go to the pool
        // first: they are copied while the walk goes on below.
        for (const DirectoryEntry& child : entries) {
            if (child.type != EntryType::regular)
                continue;
            folder->holds.fetch_add(1);
            if (!pool_.submit([this, folder, name = child.name](std::size_t lane) {
                    FsResult<void> copied = copyListedFile(*folder, name, *lanes_[lane]);
                    FsResult<void> finished = release(*folder);
                    return copied ? finished : copied;
                }))
                return poolFailed(relative);
        }
        for (const DirectoryEntry& child : entries) {
            if (child.type == EntryType::regular)
                continue;
            const std::string childRelative = joinRelative(relative, child.name);
            struct stat childStat;
            if (io_.statAt(in, child.name.c_str(), &childStat, AT_SYMLINK_NOFOLLOW) != 0)
                return lastErrorAt(childRelative);
            if (auto copied = copyEntry(in, child.name.c_str(), out, child.name.c_str(), childRelative, childStat);
                !copied)
                return copied;
        }
        return release(*folder);
    }

    // A folder of the copy while its files are being copied: its own mode
    // and times come once the last of them is done, by whoever ends last.
    struct OpenFolder {
        UniqueFd in;
        UniqueFd out;
        std::string relative;
        struct stat status;
        std::atomic<int> holds{1}; // the walk's, and one for each file in the pool
    };

    FsResult<void> release(OpenFolder& folder)
    {
        if (folder.holds.fetch_sub(1) != 1)
            return {};
        const int out = folder.out.get();
        const struct stat& st = folder.status;
        if (const int error = copyExtendedAttributes(io_, folder.in.get(), out); error != 0)
            return inItem(systemError(error), folder.relative);
        if (io_.changeMode(out, st.st_mode & 07777) != 0 && !unsupportedMode(errno))
            return lastErrorAt(folder.relative);
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (io_.setTimes(out, times) != 0 && !unsupportedMode(errno))
            return lastErrorAt(folder.relative);
        return {};
    }

    // The walk stopped because a file failed: the pool has that failure.
    static FsResult<void> poolFailed(const std::string& relative) { return inItem(systemError(ECANCELED), relative); }

    FsResult<void> copyListedFile(const OpenFolder& folder, const std::string& name, CopyLane& lane)
    {
        CopiedEntry entry;
        entry.relativePath = joinRelative(folder.relative, name);
        if (stopped())
            return inItem(systemError(ECANCELED), entry.relativePath);
        // The file's own fstat after opening tells all: no stat before.
        const char* cName = name.c_str();
        if (auto copied =
                copyFile(folder.in.get(), cName, folder.out.get(), cName, entry.relativePath, nullptr, entry, lane);
            !copied)
            return copied;
        record(std::move(entry));
        return {};
    }

    // `listed`: the source as stat'ed before, when it was; the file opened
    // must be that one.
    FsResult<void> copyFile(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                            const std::string& relative, const struct stat* listed, CopiedEntry& entry, CopyLane& lane)
    {
        // O_NONBLOCK: if a FIFO took the file's place, opening it must not hang.
        UniqueFd in(io_.openAt(sourceDir, sourceName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!in.valid())
            return errno == ELOOP ? inItem(FsErrc::sourceChanged, relative) : lastErrorAt(relative);
        struct stat before;
        if (io_.stat(in.get(), &before) != 0)
            return lastErrorAt(relative);
        if (!S_ISREG(before.st_mode) ||
            (listed && (before.st_ino != listed->st_ino || before.st_dev != listed->st_dev)))
            return inItem(FsErrc::sourceChanged, relative); // replaced since it was listed
        entry.type = S_IFREG;
        entry.device = before.st_dev;
        entry.inode = before.st_ino;
        entry.modifiedNs = nanoseconds(before.st_mtim);
        entry.changedNs = nanoseconds(before.st_ctim);
        entry.length = before.st_size;
        // Another name of a file copied before: a link of its copy, as cp -a
        // makes, not the same bytes again.
        const bool linked = before.st_nlink > 1;
        LinkedCopyEnd linkEnd{this, nullptr};
        if (linked) {
            if (const auto first = claimLinkedFile(before, relative); !first) {
                linkEnd.file = &before; // this name's copy is the one others link to
            } else {
                if (io_.linkAt(targetTopFd_.get(), first->c_str(), targetDir, targetName) == 0) {
                    entry.linkedTo = *first;
                    counted(before.st_size);
                    return {};
                }
                if (errno == EEXIST)
                    return lastErrorAt(relative);
                std::lock_guard lock(mutex_);
                hardLinks_ = false; // not on this drive (FAT, exFAT): copies, then
            }
        }
        std::optional<Turn> turn;
        if (before.st_size >= bigFileFrom)
            turn.emplace(bigFiles_);
        const mode_t mode = before.st_mode & 07777;
        UniqueFd out(
            io_.openAt(targetDir, targetName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode & 0777));
        if (!out.valid())
            return lastErrorAt(relative);
        // Fewer blocks than bytes: the file has holes worth keeping.
        const bool sparse = std::int64_t(before.st_blocks) * 512 < before.st_size;
        if (tryClone_ && before.st_size > 0) {
            // Sharing the blocks is the whole copy where the drive can
            // (XFS, btrfs): the verification then checks that the copy is
            // the source's own blocks instead of comparing bytes.
            if (io_.cloneFile(out.get(), in.get()) == 0) {
                entry.sharesBlocks = true;
                counted(before.st_size);
            } else if (shortcutUnavailable(errno)) {
                tryClone_ = false; // not on this file system: no point asking for every file
            }
        }
        if (!entry.sharesBlocks) {
            std::optional<ContentHasher> hasher;
            UniqueFd hashIn;
            if (options_.hashContents) {
                hasher.emplace();
                if (data_.usesKernelCopy())
                    hashIn = reopen(in.get(), before);
            }
            if (const std::error_code error =
                    data_.copyData(in.get(), out.get(), before.st_size, sparse, hasher ? &*hasher : nullptr, lane,
                                   hashIn.valid() ? hashIn.get() : in.get()))
                return inItem(error, relative);
            if (hasher)
                entry.hash = hasher->finish();
        }
        // A change to the source while it was copied shows in its length or
        // modification time, which the verification compares with `before`.

        if (const int error = copyExtendedAttributes(io_, in.get(), out.get()); error != 0)
            return inItem(systemError(error), relative);
        // Creation applied the umask and no special bits: only then is a chmod needed.
        if (!umask_ || (mode & ~*umask_) != mode || (mode & 07000) != 0) {
            if (io_.changeMode(out.get(), mode) != 0 && !unsupportedMode(errno))
                return lastErrorAt(relative);
        }
        const timespec times[2] = {before.st_atim, before.st_mtim};
        if (io_.setTimes(out.get(), times) != 0 && !unsupportedMode(errno))
            return lastErrorAt(relative);
        // A failing close can be the first report of a full or lost drive.
        if (io_.close(out.release()) != 0)
            return inItem(writingError(errno), relative);
        linkEnd.copied = true;
        return {};
    }

    // For a file with several names: where its copy is, once one was made
    // (waiting for a copy another lane is making); else it is taken as this
    // file's own to copy.
    std::optional<std::string> claimLinkedFile(const struct stat& st, const std::string& relative)
    {
        std::unique_lock lock(mutex_);
        if (!hardLinks_ || !targetTopFd_.valid())
            return std::nullopt;
        const auto [known, added] =
            linkedFiles_.try_emplace({st.st_dev, st.st_ino}, LinkedFile{relative, LinkedFile::copying});
        if (added)
            return std::nullopt;
        linkedCopied_.wait(lock, [&] { return known->second.state != LinkedFile::copying; });
        if (known->second.state == LinkedFile::copied)
            return known->second.relative;
        known->second = {relative, LinkedFile::copying}; // that copy failed: this one is made instead
        return std::nullopt;
    }

    // Ends the claim of a file copied for all its names, however its copy ends.
    struct LinkedCopyEnd {
        ItemCopier* copier;
        const struct stat* file; // none when nothing was claimed
        bool copied = false;
        ~LinkedCopyEnd()
        {
            if (!file)
                return;
            {
                std::lock_guard lock(copier->mutex_);
                if (const auto known = copier->linkedFiles_.find({file->st_dev, file->st_ino});
                    known != copier->linkedFiles_.end())
                    known->second.state = copied ? LinkedFile::copied : LinkedFile::failed;
            }
            copier->linkedCopied_.notify_all();
        }
    };

    // A second open of the same file, for hashing what the kernel copied:
    // reading it back through the copy's own descriptor sends that
    // descriptor's read-ahead back to the start of the chunk every time,
    // which halves the kernel's copy from a cold disk. None if the file
    // cannot be opened again as the very same file.
    UniqueFd reopen(int in, const struct stat& before)
    {
        const std::string self = "/proc/self/fd/" + std::to_string(in);
        UniqueFd again(io_.openAt(AT_FDCWD, self.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat now;
        if (!again.valid() || io_.stat(again.get(), &now) != 0 || now.st_dev != before.st_dev ||
            now.st_ino != before.st_ino)
            return {};
        io_.fadvise(again.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        return again;
    }

    const SystemIo& io_;
    CopyOptions options_;
    std::optional<mode_t> umask_;
    std::atomic<bool> tryClone_{true};
    FileDataCopier data_;
    std::optional<std::pair<dev_t, ino_t>> targetTop_;
    UniqueFd targetTopFd_;
    struct LinkedFile {
        std::string relative; // where its first name was copied
        enum State { copying, copied, failed } state;
    };
    std::mutex mutex_; // guards the three below
    std::condition_variable linkedCopied_;
    std::map<std::pair<dev_t, ino_t>, LinkedFile> linkedFiles_;
    bool hardLinks_ = true; // the drive takes them
    CopyManifest manifest_;
    std::vector<std::unique_ptr<CopyLane>> lanes_ = makeLanes(copyLanes + 1);
    std::counting_semaphore<> bigFiles_{bigFilesAtOnce};
    WorkPool pool_{copyLanes, 4 * copyLanes}; // last: its jobs use all of the above
};

} // namespace

FsResult<CopyManifest> copyItemTree(const SystemIo& io, const fs::path& source, int targetDirectory,
                                    const std::string& targetName, const CopyOptions& options)
{
    ItemCopier copier(io, options);
    return copier.run(source, targetDirectory, targetName.c_str());
}

FsResult<CopyManifest> copyItemTree(const SystemIo& io, const fs::path& source, const fs::path& target,
                                    const CopyOptions& options)
{
    auto anchor = PathAnchor::resolve(io, target);
    if (!anchor)
        return anchor.error();
    ItemCopier copier(io, options);
    return copier.run(source, anchor.value().directory(), anchor.value().name());
}
