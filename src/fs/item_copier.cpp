#include "fs/item_copier.h"

#include "fs/content_hash.h"
#include "fs/entry_support.h"
#include "fs/file_data_copy.h"
#include "fs/helper_thread.h"
#include "fs/path_anchor.h"
#include "fs/unique_fd.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The process's umask without changing it (Linux 4.7 and later).
std::optional<mode_t> currentUmask()
{
    std::FILE* status = std::fopen("/proc/self/status", "re");
    if (!status)
        return std::nullopt;
    std::optional<mode_t> mask;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        unsigned value;
        if (std::sscanf(line, "Umask: %o", &value) == 1) {
            mask = mode_t(value);
            break;
        }
    }
    std::fclose(status);
    return mask;
}

bool fatalXattrError(int code)
{
    // Support for attributes differs between file systems (ext4 even says
    // ENOSPC for one too big for it); a failing drive does not.
    return code == EIO;
}

// exFAT and FAT cannot store every mode or time and say so with EPERM, or
// (fusefat, for folders) ENOSYS; the data is what counts.
bool unsupportedMode(int code)
{
    return code == EPERM || code == EOPNOTSUPP || code == ENOTSUP || code == ENOSYS;
}

std::error_code lastError()
{
    return systemError(errno);
}

class ItemCopier {
public:
    ItemCopier(const SystemIo& io, const CopyOptions& options)
        : io_(io), options_(options), umask_(currentUmask()), data_(io, options.stop, options.copied)
    {
    }

    FsResult<CopyManifest> run(const fs::path& source, int targetDirectory, const char* targetName)
    {
        sourceRoot_ = source;
        auto sourceAnchor = PathAnchor::resolve(io_, source);
        if (!sourceAnchor)
            return sourceAnchor.error();
        struct stat st;
        if (io_.statAt(sourceAnchor.value().directory(), sourceAnchor.value().name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return FsError{errno, source};
        if (const std::error_code error = copyEntry(sourceAnchor.value().directory(), sourceAnchor.value().name(),
                                                    targetDirectory, targetName, std::string(), st))
            return FsError{error, failedRelative_.empty() ? source : source / failedRelative_, failedRelative_};
        return std::move(manifest_);
    }

private:
    // Keeps where the first failure happened; both threads may report one.
    std::error_code fail(std::error_code code, const std::string& relative)
    {
        std::lock_guard lock(mutex_);
        if (!failed_) {
            failed_ = true;
            failedRelative_ = relative;
        }
        return code;
    }
    std::error_code fail(FsErrc condition, const std::string& relative)
    {
        return fail(make_error_code(condition), relative);
    }
    std::error_code failErrno(const std::string& relative) { return fail(lastError(), relative); }

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

    std::error_code copyEntry(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                              const std::string& relative, const struct stat& st)
    {
        if (stopped())
            return fail(systemError(ECANCELED), relative);
        CopiedEntry entry;
        entry.relativePath = relative;
        entry.type = st.st_mode & S_IFMT;
        entry.device = st.st_dev;
        entry.inode = st.st_ino;
        entry.modifiedNs = nanoseconds(st.st_mtim);
        std::error_code error;
        switch (entry.type) {
        case S_IFREG:
            error = copyFile(sourceDir, sourceName, targetDir, targetName, relative, &st, entry, mainLane_);
            break;
        case S_IFDIR: record(entry); return copyFolder(sourceDir, sourceName, targetDir, targetName, relative, st);
        case S_IFLNK: error = copyLink(sourceDir, sourceName, targetDir, targetName, relative, st, entry); break;
        case S_IFIFO:
            if (io_.makeFifoAt(targetDir, targetName, st.st_mode & 07777) != 0)
                return failErrno(relative);
            error = setTimes(targetDir, targetName, st, relative);
            break;
        default: return fail(FsErrc::specialFile, relative);
        }
        if (!error)
            record(std::move(entry));
        return error;
    }

    std::error_code setTimes(int dir, const char* name, const struct stat& st, const std::string& relative)
    {
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (io_.setTimesAt(dir, name, times, AT_SYMLINK_NOFOLLOW) != 0 && !unsupportedMode(errno))
            return failErrno(relative);
        return {};
    }

    std::error_code copyLink(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                             const std::string& relative, const struct stat& st, CopiedEntry& entry)
    {
        std::string target(std::size_t(std::max<off_t>(st.st_size, 255)) + 1, '\0');
        const ssize_t length = io_.readLinkAt(sourceDir, sourceName, target.data(), target.size());
        if (length < 0)
            return failErrno(relative);
        if (std::size_t(length) == target.size())
            return fail(FsErrc::sourceChanged, relative); // grew while read
        target.resize(std::size_t(length));
        if (io_.symlinkAt(target.c_str(), targetDir, targetName) != 0)
            return failErrno(relative);
        entry.linkTarget = std::move(target);
        entry.length = length;
        return setTimes(targetDir, targetName, st, relative);
    }

    std::error_code copyFolder(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                               const std::string& relative, const struct stat& st)
    {
        UniqueFd in(io_.openAt(sourceDir, sourceName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!in.valid())
            return failErrno(relative);
        struct stat opened;
        if (io_.stat(in.get(), &opened) != 0)
            return failErrno(relative);
        if (opened.st_ino != st.st_ino || opened.st_dev != st.st_dev)
            return fail(FsErrc::sourceChanged, relative);
        // Writable while filling it; its own mode comes last.
        if (io_.makeDirectoryAt(targetDir, targetName, 0700) != 0)
            return failErrno(relative);
        UniqueFd out(io_.openAt(targetDir, targetName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!out.valid())
            return failErrno(relative);
        if (relative.empty()) {
            struct stat made;
            if (io_.stat(out.get(), &made) == 0)
                targetTop_ = {made.st_dev, made.st_ino};
            // Hard links inside the item are made relative to the copy's top.
            targetTopFd_.reset(io_.openAt(out.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        }
        // Reaching the copy's own top folder means copying into itself.
        if (!relative.empty() && targetTop_ && targetTop_->first == st.st_dev && targetTop_->second == st.st_ino)
            return fail(FsErrc::copyIntoItself, relative);

        std::error_code listError;
        const std::vector<DirectoryEntry> entries = allEntries(io_, in.get(), listError);
        if (listError)
            return fail(listError, relative);
        std::vector<std::string> files; // regular files, known from their directory entries
        for (const DirectoryEntry& child : entries) {
            if (child.type == EntryType::regular)
                files.push_back(child.name);
        }
        if (const std::error_code error = copyFiles(in.get(), out.get(), relative, files))
            return error;
        for (const DirectoryEntry& child : entries) {
            if (child.type == EntryType::regular)
                continue;
            const std::string childRelative = joinRelative(relative, child.name);
            struct stat childStat;
            if (io_.statAt(in.get(), child.name.c_str(), &childStat, AT_SYMLINK_NOFOLLOW) != 0)
                return failErrno(childRelative);
            if (const std::error_code error =
                    copyEntry(in.get(), child.name.c_str(), out.get(), child.name.c_str(), childRelative, childStat))
                return error;
        }
        if (const int error = copyExtendedAttributes(in.get(), out.get()); error != 0)
            return fail(systemError(error), relative);
        if (io_.changeMode(out.get(), st.st_mode & 07777) != 0 && !unsupportedMode(errno))
            return failErrno(relative);
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (io_.setTimes(out.get(), times) != 0 && !unsupportedMode(errno))
            return failErrno(relative);
        return {};
    }

    // The regular files of one folder; many of them are shared with the
    // helper thread, each taking the next file not yet taken.
    std::error_code copyFiles(int in, int out, const std::string& relative, const std::vector<std::string>& files)
    {
        std::atomic<std::size_t> next{0};
        std::atomic<bool> failed{false};
        std::mutex errorMutex;
        std::error_code firstError;
        auto keep = [&](std::error_code error) {
            std::lock_guard lock(errorMutex);
            if (!firstError)
                firstError = error;
            failed = true;
        };
        auto work = [&](CopyLane& lane) {
            for (std::size_t i; !failed.load() && (i = next.fetch_add(1)) < files.size();) {
                const char* name = files[i].c_str();
                CopiedEntry entry;
                entry.relativePath = joinRelative(relative, files[i]);
                if (stopped()) {
                    keep(fail(systemError(ECANCELED), entry.relativePath));
                    return;
                }
                // The file's own fstat after opening tells all: no stat before.
                if (const std::error_code error =
                        copyFile(in, name, out, name, entry.relativePath, nullptr, entry, lane)) {
                    keep(error);
                    return;
                }
                record(std::move(entry));
            }
        };
        shareWork(helper_, files.size(), work, mainLane_, helperLane_);
        return firstError;
    }

    // `listed`: the source as stat'ed before, when it was; the file opened
    // must be that one.
    std::error_code copyFile(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                             const std::string& relative, const struct stat* listed, CopiedEntry& entry, CopyLane& lane)
    {
        // O_NONBLOCK: if a FIFO took the file's place, opening it must not hang.
        UniqueFd in(io_.openAt(sourceDir, sourceName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!in.valid())
            return errno == ELOOP ? fail(FsErrc::sourceChanged, relative) : failErrno(relative);
        struct stat before;
        if (io_.stat(in.get(), &before) != 0)
            return failErrno(relative);
        if (!S_ISREG(before.st_mode) ||
            (listed && (before.st_ino != listed->st_ino || before.st_dev != listed->st_dev)))
            return fail(FsErrc::sourceChanged, relative); // replaced since it was listed
        entry.type = S_IFREG;
        entry.device = before.st_dev;
        entry.inode = before.st_ino;
        entry.modifiedNs = nanoseconds(before.st_mtim);
        entry.changedNs = nanoseconds(before.st_ctim);
        entry.length = before.st_size;
        // Another name of a file copied before: a link of its copy, as cp -a
        // makes, not the same bytes again.
        const bool linked = before.st_nlink > 1;
        if (linked) {
            if (const auto first = claimLinkedFile(before, relative)) {
                if (io_.linkAt(targetTopFd_.get(), first->c_str(), targetDir, targetName) == 0) {
                    entry.linkedTo = *first;
                    counted(before.st_size);
                    return {};
                }
                if (errno == EEXIST)
                    return failErrno(relative);
                std::lock_guard lock(mutex_);
                hardLinks_ = false; // not on this drive (FAT, exFAT): copies, then
            }
        }
        const mode_t mode = before.st_mode & 07777;
        UniqueFd out(
            io_.openAt(targetDir, targetName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode & 0777));
        if (!out.valid())
            return failErrno(relative);
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
                return fail(error, relative);
            if (hasher)
                entry.hash = hasher->finish();
        }
        // A change to the source while it was copied shows in its length or
        // modification time, which the verification compares with `before`.

        if (const int error = copyExtendedAttributes(in.get(), out.get()); error != 0)
            return fail(systemError(error), relative);
        // Creation applied the umask and no special bits: only then is a chmod needed.
        if (!umask_ || (mode & ~*umask_) != mode || (mode & 07000) != 0) {
            if (io_.changeMode(out.get(), mode) != 0 && !unsupportedMode(errno))
                return failErrno(relative);
        }
        const timespec times[2] = {before.st_atim, before.st_mtim};
        if (io_.setTimes(out.get(), times) != 0 && !unsupportedMode(errno))
            return failErrno(relative);
        // A failing close can be the first report of a full or lost drive.
        if (io_.close(out.release()) != 0)
            return fail(writingError(errno), relative);
        if (linked)
            linkedFileCopied(before);
        return {};
    }

    // For a file with several names: where its copy is, when one was made
    // before; else it is taken as this file's own to copy. A file whose
    // copy another thread is still making is copied again.
    std::optional<std::string> claimLinkedFile(const struct stat& st, const std::string& relative)
    {
        std::lock_guard lock(mutex_);
        if (!hardLinks_ || !targetTopFd_.valid())
            return std::nullopt;
        const auto [known, added] = linkedFiles_.try_emplace({st.st_dev, st.st_ino}, LinkedFile{relative, false});
        if (added || !known->second.copied)
            return std::nullopt;
        return known->second.relative;
    }

    void linkedFileCopied(const struct stat& st)
    {
        std::lock_guard lock(mutex_);
        if (const auto known = linkedFiles_.find({st.st_dev, st.st_ino}); known != linkedFiles_.end())
            known->second.copied = true;
    }

    int copyExtendedAttributes(int in, int out)
    {
        std::vector<char> names(4096);
        ssize_t length;
        while ((length = io_.listAttributes(in, names.data(), names.size())) < 0 && errno == ERANGE)
            names.resize(names.size() * 4);
        if (length <= 0)
            return 0;
        std::vector<char> value(4096);
        for (const char* name = names.data(); name < names.data() + length; name += std::strlen(name) + 1) {
            ssize_t size;
            while ((size = io_.getAttribute(in, name, value.data(), value.size())) < 0 && errno == ERANGE)
                value.resize(value.size() * 4);
            if (size < 0)
                continue;
            if (io_.setAttribute(out, name, value.data(), std::size_t(size), 0) != 0 && fatalXattrError(errno))
                return errno;
        }
        return 0;
    }

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
    fs::path sourceRoot_;
    std::optional<std::pair<dev_t, ino_t>> targetTop_;
    UniqueFd targetTopFd_;
    struct LinkedFile {
        std::string relative; // where its first name was copied
        bool copied;
    };
    std::mutex mutex_; // guards the five below
    std::map<std::pair<dev_t, ino_t>, LinkedFile> linkedFiles_;
    bool hardLinks_ = true; // the drive takes them
    CopyManifest manifest_;
    bool failed_ = false;
    std::string failedRelative_;
    CopyLane mainLane_;
    CopyLane helperLane_;
    HelperThread helper_;
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
