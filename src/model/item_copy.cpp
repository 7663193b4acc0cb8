#include "model/item_copy.h"

#include "model/directory_reader.h"
#include "model/error_text.h"
#include "model/path_anchor.h"
#include "model/unique_fd.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <cstring>
#include <optional>
#include <unordered_map>

namespace fs = std::filesystem;

namespace {

// Big enough for few system calls, small enough to stay in the CPU's cache
// between the read, the hash and the write.
constexpr std::size_t bufferSize = 1024 * 1024;
// Reading a copy back straight from the drive: bigger requests keep the
// drive busier (4 MiB read 2 GB about 10 % faster than 1 MiB here).
constexpr std::size_t readBackSize = 4 * 1024 * 1024;
constexpr std::int64_t copyRangeChunk = 64LL * 1024 * 1024;

std::int64_t nanoseconds(const timespec& time)
{
    return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

std::string joinRelative(const std::string& parent, std::string_view name)
{
    return parent.empty() ? std::string(name) : parent + "/" + std::string(name);
}

struct NamedEntry {
    std::string name;
    EntryType type;
};

// All entries of an open folder, hidden ones included.
FsResult<std::vector<NamedEntry>> entriesIn(int fd, const fs::path& where)
{
    std::vector<NamedEntry> names;
    std::array<char, 32 * 1024> buffer;
    const int error = forEachDirectoryEntry(fd, buffer, [&](const RawDirectoryEntry& entry) {
        names.push_back({std::string(entry.name), entry.type});
    });
    if (error != 0)
        return FsError{error, where};
    return names;
}

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

// exFAT and FAT cannot store every mode and say so with EPERM; the data is
// what counts.
bool unsupportedMode(int code)
{
    return code == EPERM || code == EOPNOTSUPP || code == ENOTSUP;
}

int copyExtendedAttributes(int in, int out)
{
    std::vector<char> names(4096);
    ssize_t length;
    while ((length = ::flistxattr(in, names.data(), names.size())) < 0 && errno == ERANGE)
        names.resize(names.size() * 4);
    if (length <= 0)
        return 0;
    std::vector<char> value(4096);
    for (const char* name = names.data(); name < names.data() + length; name += std::strlen(name) + 1) {
        ssize_t size;
        while ((size = ::fgetxattr(in, name, value.data(), value.size())) < 0 && errno == ERANGE)
            value.resize(value.size() * 4);
        if (size < 0)
            continue;
        if (::fsetxattr(out, name, value.data(), std::size_t(size), 0) != 0 && fatalXattrError(errno))
            return errno;
    }
    return 0;
}

// One helper thread that runs one job at a time for the copier, started on
// first use and stopped with the copier.
class HelperThread {
public:
    ~HelperThread()
    {
        if (!thread_.joinable())
            return;
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    void start(std::function<void()> job)
    {
        if (!thread_.joinable())
            thread_ = std::thread([this] { loop(); });
        std::lock_guard lock(mutex_);
        job_ = std::move(job);
        changed_.notify_all();
    }

    void wait()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !job_; });
    }

private:
    void loop()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return stopping_ || job_; });
            if (stopping_)
                return;
            lock.unlock();
            job_();
            lock.lock();
            job_ = nullptr;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;
    bool stopping_ = false;
    std::thread thread_;
};

// Folders with this many files share them with the helper thread.
constexpr std::size_t parallelFilesFrom = 16;

// Runs `work(buffer)` on this thread and, for `count` items worth sharing,
// on the helper thread too, each with its own buffer; returns when both are done.
template <class Work, class Buffer>
void shareWork(HelperThread& helper, std::size_t count, Work& work, Buffer& ownBuffer, Buffer& helperBuffer)
{
    if (count >= parallelFilesFrom) {
        helper.start([&] { work(helperBuffer); });
        work(ownBuffer);
        helper.wait();
    } else {
        work(ownBuffer);
    }
}

class ItemCopier {
public:
    explicit ItemCopier(const CopyOptions& options) : options_(options), umask_(currentUmask()) {}

    FsResult<CopyManifest> run(const fs::path& source, const fs::path& target)
    {
        sourceRoot_ = source;
        auto sourceAnchor = PathAnchor::resolve(source);
        if (!sourceAnchor)
            return sourceAnchor.error();
        auto targetAnchor = PathAnchor::resolve(target);
        if (!targetAnchor)
            return targetAnchor.error();
        struct stat st;
        if (::fstatat(sourceAnchor.value().directory(), sourceAnchor.value().name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return FsError{errno, source};
        if (int error = copyEntry(sourceAnchor.value().directory(), sourceAnchor.value().name(),
                                  targetAnchor.value().directory(), targetAnchor.value().name(), std::string(), st);
            error != 0)
            return FsError{error, failedPath_.empty() ? source : failedPath_};
        return std::move(manifest_);
    }

private:
    // Keeps the first failure; both threads may report one.
    int fail(int code, const std::string& relative)
    {
        std::lock_guard lock(mutex_);
        if (failedPath_.empty())
            failedPath_ = relative.empty() ? sourceRoot_ : sourceRoot_ / relative;
        return code;
    }

    void record(CopiedEntry entry)
    {
        std::lock_guard lock(mutex_);
        manifest_.entries.push_back(std::move(entry));
    }

    bool stopped() const { return options_.stop && options_.stop->load(std::memory_order_relaxed); }

    int copyEntry(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                  const std::string& relative, const struct stat& st)
    {
        if (stopped())
            return fail(ECANCELED, relative);
        CopiedEntry entry;
        entry.relativePath = relative;
        entry.type = st.st_mode & S_IFMT;
        entry.device = st.st_dev;
        entry.inode = st.st_ino;
        entry.modifiedNs = nanoseconds(st.st_mtim);
        int error = 0;
        switch (entry.type) {
        case S_IFREG:
            error = copyFile(sourceDir, sourceName, targetDir, targetName, relative, &st, entry, mainBuffer_);
            break;
        case S_IFDIR:
            record(entry);
            return copyFolder(sourceDir, sourceName, targetDir, targetName, relative, st);
        case S_IFLNK:
            error = copyLink(sourceDir, sourceName, targetDir, targetName, relative, st, entry);
            break;
        case S_IFIFO:
            if (::mkfifoat(targetDir, targetName, st.st_mode & 07777) != 0)
                return fail(errno, relative);
            error = setTimes(targetDir, targetName, st, relative);
            break;
        default:
            return fail(OwnError::specialFile, relative);
        }
        if (error == 0)
            record(std::move(entry));
        return error;
    }

    int setTimes(int dir, const char* name, const struct stat& st, const std::string& relative)
    {
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (::utimensat(dir, name, times, AT_SYMLINK_NOFOLLOW) != 0 && errno != EOPNOTSUPP && errno != EPERM)
            return fail(errno, relative);
        return 0;
    }

    int copyLink(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                 const std::string& relative, const struct stat& st, CopiedEntry& entry)
    {
        std::string target(std::size_t(std::max<off_t>(st.st_size, 255)) + 1, '\0');
        const ssize_t length = ::readlinkat(sourceDir, sourceName, target.data(), target.size());
        if (length < 0)
            return fail(errno, relative);
        if (std::size_t(length) == target.size())
            return fail(OwnError::verificationFailed, relative); // grew while read
        target.resize(std::size_t(length));
        if (::symlinkat(target.c_str(), targetDir, targetName) != 0)
            return fail(errno, relative);
        entry.linkTarget = std::move(target);
        entry.length = length;
        return setTimes(targetDir, targetName, st, relative);
    }

    int copyFolder(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                   const std::string& relative, const struct stat& st)
    {
        UniqueFd in(::openat(sourceDir, sourceName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!in.valid())
            return fail(errno, relative);
        struct stat opened;
        if (::fstat(in.get(), &opened) != 0 || opened.st_ino != st.st_ino || opened.st_dev != st.st_dev)
            return fail(OwnError::verificationFailed, relative);
        // Writable while filling it; its own mode comes last.
        if (::mkdirat(targetDir, targetName, 0700) != 0)
            return fail(errno, relative);
        UniqueFd out(::openat(targetDir, targetName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!out.valid())
            return fail(errno, relative);
        if (relative.empty()) {
            struct stat made;
            if (::fstat(out.get(), &made) == 0) {
                targetTop_ = {made.st_dev, made.st_ino};
            }
        }
        // Reaching the copy's own top folder means copying into itself.
        if (!relative.empty() && targetTop_ && targetTop_->first == st.st_dev && targetTop_->second == st.st_ino)
            return fail(OwnError::copyIntoItself, relative);

        auto entries = entriesIn(in.get(), sourceRoot_ / relative);
        if (!entries)
            return fail(entries.error().code, relative);
        std::vector<std::string> files; // regular files, known from their directory entries
        for (const NamedEntry& child : entries.value()) {
            if (child.type == EntryType::regular)
                files.push_back(child.name);
        }
        if (int error = copyFiles(in.get(), out.get(), relative, files); error != 0)
            return error;
        for (const NamedEntry& child : entries.value()) {
            if (child.type == EntryType::regular)
                continue;
            const std::string childRelative = joinRelative(relative, child.name);
            struct stat childStat;
            if (::fstatat(in.get(), child.name.c_str(), &childStat, AT_SYMLINK_NOFOLLOW) != 0)
                return fail(errno, childRelative);
            if (int error = copyEntry(in.get(), child.name.c_str(), out.get(), child.name.c_str(), childRelative, childStat);
                error != 0)
                return error;
        }
        if (int error = copyExtendedAttributes(in.get(), out.get()); error != 0)
            return fail(error, relative);
        if (::fchmod(out.get(), st.st_mode & 07777) != 0 && !unsupportedMode(errno))
            return fail(errno, relative);
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (::futimens(out.get(), times) != 0)
            return fail(errno, relative);
        return 0;
    }

    // The regular files of one folder; many of them are shared with the
    // helper thread, each taking the next file not yet taken.
    int copyFiles(int in, int out, const std::string& relative, const std::vector<std::string>& files)
    {
        std::atomic<std::size_t> next{0};
        std::atomic<int> firstError{0};
        auto work = [&](std::vector<char>& buffer) {
            for (std::size_t i; (i = next.fetch_add(1)) < files.size() && firstError.load() == 0;) {
                if (stopped()) {
                    int none = 0;
                    firstError.compare_exchange_strong(none, ECANCELED);
                    return;
                }
                const char* name = files[i].c_str();
                CopiedEntry entry;
                entry.relativePath = joinRelative(relative, files[i]);
                // The file's own fstat after opening tells all: no stat before.
                const int error = copyFile(in, name, out, name, entry.relativePath, nullptr, entry, buffer);
                if (error != 0) {
                    int none = 0;
                    firstError.compare_exchange_strong(none, error);
                    return;
                }
                record(std::move(entry));
            }
        };
        shareWork(helper_, files.size(), work, mainBuffer_, helperBuffer_);
        return firstError.load();
    }

    // `listed`: the source as stat'ed before, when it was; the file opened
    // must be that one.
    int copyFile(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                 const std::string& relative, const struct stat* listed, CopiedEntry& entry, std::vector<char>& buffer)
    {
        // O_NONBLOCK: if a FIFO took the file's place, opening it must not hang.
        UniqueFd in(::openat(sourceDir, sourceName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!in.valid())
            return fail(errno == ELOOP ? OwnError::verificationFailed : errno, relative);
        struct stat before;
        if (::fstat(in.get(), &before) != 0)
            return fail(errno, relative);
        if (!S_ISREG(before.st_mode) || (listed && (before.st_ino != listed->st_ino || before.st_dev != listed->st_dev)))
            return fail(OwnError::verificationFailed, relative); // replaced since it was listed
        const mode_t mode = before.st_mode & 07777;
        UniqueFd out(::openat(targetDir, targetName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode & 0777));
        if (!out.valid())
            return fail(errno, relative);

        entry.type = S_IFREG;
        entry.device = before.st_dev;
        entry.inode = before.st_ino;
        entry.modifiedNs = nanoseconds(before.st_mtim);
        entry.changedNs = nanoseconds(before.st_ctim);
        entry.length = before.st_size;
        // Fewer blocks than bytes: the file has holes worth keeping.
        const bool sparse = std::int64_t(before.st_blocks) * 512 < before.st_size;
        std::optional<ContentHasher> hasher;
        if (options_.hashContents)
            hasher.emplace();
        if (int error = copyData(in.get(), out.get(), before.st_size, sparse, hasher ? &*hasher : nullptr, buffer);
            error != 0)
            return fail(error, relative);
        if (hasher)
            entry.hash = hasher->finish();
        // A change to the source while it was copied shows in its length or
        // modification time, which the verification compares with `before`.

        if (int error = copyExtendedAttributes(in.get(), out.get()); error != 0)
            return fail(error, relative);
        // Creation applied the umask and no special bits: only then is a chmod needed.
        if (!umask_ || (mode & ~*umask_) != mode || (mode & 07000) != 0) {
            if (::fchmod(out.get(), mode) != 0 && !unsupportedMode(errno))
                return fail(errno, relative);
        }
        const timespec times[2] = {before.st_atim, before.st_mtim};
        if (::futimens(out.get(), times) != 0)
            return fail(errno, relative);
        // A failing close can be the first report of a full or lost drive.
        if (::close(out.release()) != 0)
            return fail(errno, relative);
        return 0;
    }

    // Copies `size` bytes, only the data parts of a sparse file; returns an
    // errno value, or OwnError::verificationFailed when the file shrank.
    int copyData(int in, int out, std::int64_t size, bool sparse, ContentHasher* hasher, std::vector<char>& buffer)
    {
        if (!hasher && tryClone_ && size > 0) {
            if (::ioctl(out, FICLONE, in) == 0)
                return 0;
            // Not on this file system: no point asking for every file.
            if (errno == EOPNOTSUPP || errno == ENOTTY || errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                errno == EBADF)
                tryClone_ = false;
        }
        if (hasher && size > std::int64_t(bufferSize))
            ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
        if (!sparse)
            return copyRange(in, out, 0, size, hasher, buffer);
        std::int64_t position = 0;
        while (position < size) {
            off_t data = ::lseek(in, position, SEEK_DATA);
            off_t hole = size;
            if (data < 0) {
                if (errno == ENXIO)
                    break; // only a hole is left
                data = position; // holes not reported: all data
            } else {
                hole = ::lseek(in, data, SEEK_HOLE);
                if (hole < 0 || hole > size)
                    hole = size;
            }
            if (data >= size)
                break;
            if (hole <= data)
                hole = size;
            if (hasher)
                hasher->addZeros(data - position);
            if (int error = copyRange(in, out, data, hole - data, hasher, buffer); error != 0)
                return error;
            position = hole;
        }
        if (hasher && position < size)
            hasher->addZeros(size - position);
        if (::ftruncate(out, size) != 0)
            return errno;
        return 0;
    }

    int copyRange(int in, int out, std::int64_t offset, std::int64_t length, ContentHasher* hasher, std::vector<char>& buffer)
    {
        std::int64_t done = 0;
        if (!hasher && useCopyRange_) {
            while (done < length) {
                if (stopped())
                    return ECANCELED;
                loff_t inOffset = offset + done;
                loff_t outOffset = offset + done;
                const ssize_t n = ::copy_file_range(in, &inOffset, out, &outOffset,
                                                    std::size_t(std::min(length - done, copyRangeChunk)), 0);
                if (n > 0) {
                    done += n;
                    continue;
                }
                if (n == 0)
                    return OwnError::verificationFailed; // the source shrank
                if (errno == EINTR)
                    continue;
                if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF) {
                    useCopyRange_ = false; // across file systems: the loop below from now on
                    break;
                }
                return errno;
            }
        }
        if (buffer.empty())
            buffer.resize(bufferSize);
        while (done < length) {
            if (stopped())
                return ECANCELED;
            const auto want = std::size_t(std::min<std::int64_t>(length - done, std::int64_t(buffer.size())));
            const ssize_t n = ::pread(in, buffer.data(), want, offset + done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (n == 0)
                return OwnError::verificationFailed; // the source shrank
            if (hasher)
                hasher->add(buffer.data(), std::size_t(n));
            for (ssize_t written = 0; written < n;) {
                const ssize_t w = ::pwrite(out, buffer.data() + written, std::size_t(n - written), offset + done + written);
                if (w < 0) {
                    if (errno == EINTR)
                        continue;
                    return errno;
                }
                written += w;
            }
            done += n;
        }
        return 0;
    }

    CopyOptions options_;
    std::optional<mode_t> umask_;
    std::atomic<bool> tryClone_{true};
    std::atomic<bool> useCopyRange_{true};
    fs::path sourceRoot_;
    std::optional<std::pair<dev_t, ino_t>> targetTop_;
    std::mutex mutex_; // guards the two below
    CopyManifest manifest_;
    fs::path failedPath_;
    std::vector<char> mainBuffer_;
    std::vector<char> helperBuffer_;
    HelperThread helper_;
};

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};
using AlignedBuffer = std::unique_ptr<char, FreeDeleter>;

class CopyVerifier {
public:
    CopyVerifier(const CopyManifest& manifest, bool compareContents, const std::atomic<bool>* stop)
        : compareContents_(compareContents), stop_(stop)
    {
        if (!manifest.entries.empty())
            device_ = manifest.entries.front().device;
        for (const CopiedEntry& entry : manifest.entries)
            byPath_.emplace(entry.relativePath, &entry);
    }

    bool run(const fs::path& source, const fs::path& target)
    {
        auto sourceAnchor = PathAnchor::resolve(source);
        auto targetAnchor = PathAnchor::resolve(target);
        if (!sourceAnchor || !targetAnchor)
            return false;
        if (compareContents_ && !flushTarget(targetAnchor.value(), target))
            return false;
        if (!verifyEntry(sourceAnchor.value().directory(), sourceAnchor.value().name(), targetAnchor.value().directory(),
                         targetAnchor.value().name(), std::string(), nullptr))
            return false;
        // An entry gone from the source since the copy is a change too.
        return seen_ == byPath_.size();
    }

private:
    struct PendingRead {
        std::string name;
        const CopiedEntry* entry;
    };

    // Writes the whole destination back in one go and makes the item's own
    // entry in its parent durable. Where a file system may not pass syncfs
    // on (FUSE), every file and folder is fsync'ed on its own as well.
    bool flushTarget(const PathAnchor& anchor, const fs::path& target)
    {
        UniqueFd parent;
        if (anchor.directory() == AT_FDCWD) {
            const fs::path folder = target.parent_path();
            parent.reset(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        } else {
            parent.reset(::openat(anchor.directory(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        }
        if (!parent.valid())
            return false;
        constexpr long fuseMagic = 0x65735546;
        struct statfs info;
        syncEach_ = ::fstatfs(parent.get(), &info) != 0 || long(info.f_type) == fuseMagic;
        return ::syncfs(parent.get()) == 0 && ::fsync(parent.get()) == 0;
    }

    // `pending`: where a folder collects its files for reading them back
    // together; null reads at once.
    bool verifyEntry(int sourceDir, const char* sourceName, int targetDir, const char* targetName, const std::string& relative,
                     std::vector<PendingRead>* pending)
    {
        const auto found = byPath_.find(relative);
        if (found == byPath_.end())
            return false; // appeared in the source after the copy
        const CopiedEntry& entry = *found->second;
        ++seen_;
        struct stat source, target;
        if (::fstatat(sourceDir, sourceName, &source, AT_SYMLINK_NOFOLLOW) != 0 ||
            ::fstatat(targetDir, targetName, &target, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        const mode_t type = source.st_mode & S_IFMT;
        if (type != entry.type || (target.st_mode & S_IFMT) != type || source.st_ino != entry.inode)
            return false;
        // Another drive mounted inside the item: copied, but never trashed along.
        if (compareContents_ && source.st_dev != device_)
            return false;
        switch (type) {
        case S_IFREG:
            if (source.st_size != entry.length || nanoseconds(source.st_mtim) != entry.modifiedNs ||
                nanoseconds(source.st_ctim) != entry.changedNs || target.st_size != entry.length)
                return false;
            if (!compareContents_)
                return true;
            if (pending) {
                pending->push_back({targetName, &entry});
                return true;
            }
            return contentMatches(targetDir, targetName, entry, mainBuffer_);
        case S_IFLNK: {
            std::string link(entry.linkTarget.size() + 2, '\0');
            const ssize_t length = ::readlinkat(targetDir, targetName, link.data(), link.size());
            return length >= 0 && link.substr(0, std::size_t(length)) == entry.linkTarget;
        }
        case S_IFDIR:
            return verifyFolder(sourceDir, sourceName, targetDir, targetName, relative);
        default:
            return true;
        }
    }

    bool verifyFolder(int sourceDir, const char* sourceName, int targetDir, const char* targetName, const std::string& relative)
    {
        UniqueFd in(::openat(sourceDir, sourceName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        UniqueFd out(::openat(targetDir, targetName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!in.valid() || !out.valid())
            return false;
        auto entries = entriesIn(in.get(), {});
        if (!entries)
            return false;
        std::vector<PendingRead> pending;
        for (const NamedEntry& child : entries.value()) {
            if (!verifyEntry(in.get(), child.name.c_str(), out.get(), child.name.c_str(), joinRelative(relative, child.name),
                             &pending))
                return false;
        }
        if (!readBack(out.get(), pending))
            return false;
        return !syncEach_ || ::fsync(out.get()) == 0;
    }

    // Reads a folder's files back, shared with the helper thread when many.
    bool readBack(int folder, const std::vector<PendingRead>& files)
    {
        std::atomic<std::size_t> next{0};
        std::atomic<bool> good{true};
        auto work = [&](AlignedBuffer& buffer) {
            for (std::size_t i; good.load() && (i = next.fetch_add(1)) < files.size();) {
                if (!contentMatches(folder, files[i].name.c_str(), *files[i].entry, buffer))
                    good = false;
            }
        };
        shareWork(helper_, files.size(), work, mainBuffer_, helperBuffer_);
        return good.load();
    }

    bool contentMatches(int targetDir, const char* targetName, const CopiedEntry& entry, AlignedBuffer& buffer)
    {
        if (!entry.hash)
            return false;
        UniqueFd fd(::openat(targetDir, targetName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!fd.valid() || (syncEach_ && ::fsync(fd.get()) != 0))
            return false;
        // Cached pages dropped first: some file systems accept O_DIRECT and
        // still answer from the cache (compressed btrfs, FUSE).
        ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
        UniqueFd direct(::openat(targetDir, targetName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_DIRECT));
        if (direct.valid()) {
            if (const auto hash = readHash(direct.get(), entry.length, buffer))
                return *hash == *entry.hash;
            if (stopped())
                return false;
            // Refused after all (alignment): read through the cache below.
        }
        ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        const auto hash = readHash(fd.get(), entry.length, buffer);
        return hash && *hash == *entry.hash;
    }

    bool stopped() const { return stop_ && stop_->load(std::memory_order_relaxed); }

    // The hash of the whole file, or none when it cannot be read or its
    // length is not `length`.
    std::optional<ContentHash> readHash(int fd, std::int64_t length, AlignedBuffer& buffer) const
    {
        if (!buffer) // aligned for direct reads
            buffer.reset(static_cast<char*>(std::aligned_alloc(4096, readBackSize)));
        if (!buffer)
            return std::nullopt;
        ContentHasher hasher;
        std::int64_t total = 0;
        for (;;) {
            if (stopped())
                return std::nullopt;
            const ssize_t n = ::read(fd, buffer.get(), readBackSize);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return std::nullopt;
            }
            if (n == 0)
                break;
            hasher.add(buffer.get(), std::size_t(n));
            total += n;
        }
        if (total != length)
            return std::nullopt;
        return hasher.finish();
    }

    bool compareContents_;
    const std::atomic<bool>* stop_;
    dev_t device_ = 0;
    bool syncEach_ = true;
    std::unordered_map<std::string, const CopiedEntry*> byPath_;
    std::size_t seen_ = 0;
    AlignedBuffer mainBuffer_;
    AlignedBuffer helperBuffer_;
    HelperThread helper_;
};

} // namespace

FsResult<CopyManifest> copyItemTree(const fs::path& source, const fs::path& target, const CopyOptions& options)
{
    ItemCopier copier(options);
    return copier.run(source, target);
}

FsResult<void> verifyItemCopy(const fs::path& source, const fs::path& target, const CopyManifest& manifest,
                              bool compareContents, const std::atomic<bool>* stop)
{
    CopyVerifier verifier(manifest, compareContents, stop);
    if (!verifier.run(source, target))
        return FsError{OwnError::verificationFailed, target};
    return {};
}
