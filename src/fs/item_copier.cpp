#include "fs/item_copier.h"

#include "fs/content_hash.h"
#include "fs/entry_support.h"
#include "fs/helper_thread.h"
#include "fs/path_anchor.h"
#include "fs/unique_fd.h"
#include "fs/write_behind.h"

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

// Big enough for few system calls, small enough to stay in the CPU's cache
// between the read, the hash and the write, as cp's: 1 MiB did not, and its
// copies to XFS took twice as long as cp's (3.6-4.2 s against 1.7-1.8 s for
// 2 GiB, in alternating order).
constexpr std::size_t bufferSize = 128 * 1024;
// Small enough to report progress several times a second on a slow drive.
constexpr std::int64_t copyRangeChunk = 16LL * 1024 * 1024;

// A buffer of `bufferSize` bytes that starts on a page, allocated on first
// use, as cp and dd use: the kernel's copies to and from the page cache are
// then page to page (malloc puts a buffer this big 16 bytes into a page).
class PageBuffer {
public:
    char* data()
    {
        if (!bytes_)
            bytes_.reset(static_cast<char*>(std::aligned_alloc(pageSize, bufferSize)));
        return bytes_.get();
    }

private:
    static constexpr std::size_t pageSize = 4096;
    struct Free {
        void operator()(char* p) const { std::free(p); }
    };
    std::unique_ptr<char, Free> bytes_;
};

// What one copying thread works with: its buffers, and a thread that hashes
// for it while it copies.
struct CopyLane {
    PageBuffer buffer;
    PageBuffer hashBuffer;
    HelperThread hashing;
};

// One hashing job at a time on a lane's thread, so the hash takes its
// pieces in order; the owner waits for it before touching the hash again.
// Without a thread to be had, the job runs at once.
class BackgroundHash {
public:
    explicit BackgroundHash(HelperThread& thread) : thread_(thread) {}
    BackgroundHash(const BackgroundHash&) = delete;
    BackgroundHash& operator=(const BackgroundHash&) = delete;
    ~BackgroundHash() { finish(); }

    void start(std::function<std::error_code()> job)
    {
        finish();
        auto run = [this, job = std::move(job)] { error_ = job(); };
        try {
            thread_.start(run);
            pending_ = true;
        } catch (const std::system_error&) {
            run();
        }
    }

    std::error_code finish()
    {
        if (pending_) {
            thread_.wait();
            pending_ = false;
        }
        return std::exchange(error_, {});
    }

private:
    HelperThread& thread_;
    bool pending_ = false;
    std::error_code error_;
};

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

// The kernel's shortcuts are not available between these two files.
bool shortcutUnavailable(int code)
{
    return code == EOPNOTSUPP || code == ENOTTY || code == EXDEV || code == EINVAL || code == ENOSYS || code == EBADF;
}

std::error_code lastError()
{
    return systemError(errno);
}

class ItemCopier {
public:
    ItemCopier(const SystemIo& io, const CopyOptions& options) : io_(io), options_(options), umask_(currentUmask()) {}

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
                if (useCopyRange_)
                    hashIn = reopen(in.get(), before);
            }
            if (const std::error_code error =
                    copyData(in.get(), out.get(), before.st_size, sparse, hasher ? &*hasher : nullptr, lane,
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

    // Copies `size` bytes, only the data parts of a sparse file.
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

    std::error_code copyData(int in, int out, std::int64_t size, bool sparse, ContentHasher* hasher, CopyLane& lane,
                             int hashIn)
    {
        if (!sparse)
            return copyRange(in, out, 0, size, hasher, lane, hashIn);
        std::int64_t position = 0;
        while (position < size) {
            off_t data = io_.seek(in, position, SEEK_DATA);
            off_t hole = size;
            if (data < 0) {
                if (errno == ENXIO)
                    break;       // only a hole is left
                data = position; // holes not reported: all data
            } else {
                hole = io_.seek(in, data, SEEK_HOLE);
                if (hole < 0 || hole > size)
                    hole = size;
            }
            if (data >= size)
                break;
            if (hole <= data)
                hole = size;
            if (hasher)
                hasher->addZeros(data - position);
            counted(data - position);
            if (const std::error_code error = copyRange(in, out, data, hole - data, hasher, lane, hashIn))
                return error;
            position = hole;
        }
        if (hasher && position < size)
            hasher->addZeros(size - position);
        counted(size - position);
        if (io_.truncate(out, size) != 0)
            return lastError();
        return {};
    }

    std::error_code copyRange(int in, int out, std::int64_t offset, std::int64_t length, ContentHasher* hasher,
                              CopyLane& lane, int hashIn)
    {
        std::int64_t done = 0;
        // Bytes below this have gone into the hash (it runs ahead of the copy).
        std::int64_t hashedTo = offset;
        // The kernel reads ahead further when told, for its own copy as for
        // the loop below; cp tells it too.
        if (length > std::int64_t(bufferSize))
            io_.fadvise(in, offset, length, POSIX_FADV_SEQUENTIAL);
        WriteBehind writeBehind(io_, out, offset, length);
        if (useCopyRange_) {
            // Hashing reads each chunk first, sequentially and through a
            // descriptor of its own, so the kernel's copy finds it in the
            // cache: about 1.6 times faster from a cold disk than hashing
            // what the kernel copied afterwards, whose re-reads break its
            // read-ahead. The next chunk is hashed on the lane's thread while
            // the kernel copies this one. Should the source change in
            // between, the hash no longer matches the copy and the
            // verification fails: the safe side. Where cloning was refused,
            // the kernel may still share a chunk's blocks (XFS, btrfs): such
            // a copy is hashed and read back like any other.
            BackgroundHash ahead(lane.hashing);
            std::int64_t aheadTo = hashedTo; // where the running job ends
            const auto caughtUp = [&]() -> std::error_code {
                const std::error_code error = ahead.finish();
                if (!error)
                    hashedTo = std::max(hashedTo, aheadTo);
                return error;
            };
            while (done < length) {
                if (stopped())
                    return systemError(ECANCELED);
                const std::int64_t chunk = std::min(length - done, copyRangeChunk);
                const std::int64_t chunkEnd = offset + done + chunk;
                if (hasher) {
                    if (const std::error_code error = caughtUp())
                        return error;
                    if (chunkEnd > hashedTo) {
                        if (const std::error_code error =
                                hashRange(hashIn, hashedTo, chunkEnd - hashedTo, *hasher, lane.buffer))
                            return error;
                        hashedTo = chunkEnd;
                    }
                    const std::int64_t nextEnd = std::min(offset + length, chunkEnd + copyRangeChunk);
                    if (nextEnd > hashedTo) {
                        aheadTo = nextEnd;
                        ahead.start([this, hashIn, from = hashedTo, count = nextEnd - hashedTo, hasher, &lane] {
                            return hashRange(hashIn, from, count, *hasher, lane.hashBuffer);
                        });
                    }
                }
                off_t inOffset = offset + done;
                off_t outOffset = offset + done;
                const ssize_t n = io_.copyFileRange(in, &inOffset, out, &outOffset, std::size_t(chunk));
                if (n > 0) {
                    done += n;
                    counted(n);
                    if (const std::error_code error = writeBehind.advance(offset + done)) {
                        ahead.finish();
                        return error;
                    }
                    continue;
                }
                if (n == 0)
                    return make_error_code(FsErrc::sourceChanged); // the source shrank
                if (errno == EINTR)
                    continue;
                if (shortcutUnavailable(errno)) {
                    useCopyRange_ = false; // across file systems: the loop below from now on
                    break;
                }
                const std::error_code error = lastError();
                ahead.finish();
                return error;
            }
            if (const std::error_code error = caughtUp())
                return error;
        }
        while (done < length) {
            if (stopped())
                return systemError(ECANCELED);
            std::size_t n = 0;
            if (const std::error_code error = readChunk(in, offset + done, length - done, lane.buffer, n))
                return error;
            // Only what the kernel's copy has not hashed already.
            const std::int64_t at = offset + done;
            if (hasher && at + std::int64_t(n) > hashedTo) {
                // Here, not on another thread: handing over each piece costs
                // more than hashing it.
                const auto skip = std::size_t(std::max<std::int64_t>(0, hashedTo - at));
                hasher->add(lane.buffer.data() + skip, n - skip);
                hashedTo = at + std::int64_t(n);
            }
            // A short write is only part of the job: the rest follows.
            for (std::size_t written = 0; written < n;) {
                const ssize_t w =
                    io_.pwrite(out, lane.buffer.data() + written, n - written, offset + done + off_t(written));
                if (w < 0) {
                    if (errno == EINTR)
                        continue;
                    return writingError(errno);
                }
                if (w == 0)
                    return systemError(EIO); // a drive that takes nothing would loop forever
                written += std::size_t(w);
            }
            done += std::int64_t(n);
            counted(std::int64_t(n));
            if (const std::error_code error = writeBehind.advance(offset + done))
                return error;
        }
        return writeBehind.finish(offset + done);
    }

    // Reads the next piece of at most `left` bytes at `offset` into `buffer`
    // (`got` says how much); reading nothing means the source shrank.
    std::error_code readChunk(int in, std::int64_t offset, std::int64_t left, PageBuffer& buffer, std::size_t& got)
    {
        if (!buffer.data())
            return systemError(ENOMEM);
        const auto want = std::size_t(std::min<std::int64_t>(left, std::int64_t(bufferSize)));
        ssize_t n;
        while ((n = io_.pread(in, buffer.data(), want, offset)) < 0 && errno == EINTR) {
        }
        if (n < 0)
            return readingError(errno);
        if (n == 0)
            return make_error_code(FsErrc::sourceChanged);
        got = std::size_t(n);
        return {};
    }

    std::error_code hashRange(int in, std::int64_t offset, std::int64_t length, ContentHasher& hasher,
                              PageBuffer& buffer)
    {
        for (std::int64_t done = 0; done < length;) {
            std::size_t n = 0;
            if (const std::error_code error = readChunk(in, offset + done, length - done, buffer, n))
                return error;
            hasher.add(buffer.data(), n);
            done += std::int64_t(n);
        }
        return {};
    }

    const SystemIo& io_;
    CopyOptions options_;
    std::optional<mode_t> umask_;
    std::atomic<bool> tryClone_{true};
    std::atomic<bool> useCopyRange_{true};
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
