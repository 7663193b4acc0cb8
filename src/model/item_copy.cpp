#include "model/item_copy.h"

#include "model/directory_reader.h"
#include "model/error_text.h"
#include "model/path_anchor.h"
#include "model/unique_fd.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <unordered_map>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t bufferSize = 4 * 1024 * 1024;
constexpr std::int64_t copyRangeChunk = 64LL * 1024 * 1024;

std::int64_t nanoseconds(const timespec& time)
{
    return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

std::string joinRelative(const std::string& parent, std::string_view name)
{
    return parent.empty() ? std::string(name) : parent + "/" + std::string(name);
}

// All names in an open folder, hidden ones included.
FsResult<std::vector<std::string>> namesIn(int fd, const fs::path& where)
{
    std::vector<std::string> names;
    std::array<char, 32 * 1024> buffer;
    const int error = forEachDirectoryEntry(fd, buffer, [&](const RawDirectoryEntry& entry) {
        names.emplace_back(entry.name);
    });
    if (error != 0)
        return FsError{error, where};
    return names;
}

bool fatalXattrError(int code)
{
    // Support for attributes differs between file systems; running out of
    // room or a failing drive does not.
    return code == ENOSPC || code == EDQUOT || code == EIO;
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

class ItemCopier {
public:
    explicit ItemCopier(const CopyOptions& options) : options_(options) {}

    FsResult<CopyManifest> run(const fs::path& source, const fs::path& target)
    {
        sourceRoot_ = source;
        targetRoot_ = target;
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
    int fail(int code, const std::string& relative)
    {
        failedPath_ = relative.empty() ? sourceRoot_ : sourceRoot_ / relative;
        return code;
    }

    int copyEntry(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                  const std::string& relative, const struct stat& st)
    {
        CopiedEntry entry;
        entry.relativePath = relative;
        entry.type = st.st_mode & S_IFMT;
        entry.inode = st.st_ino;
        entry.modifiedNs = nanoseconds(st.st_mtim);
        int error = 0;
        switch (entry.type) {
        case S_IFREG:
            error = copyFile(sourceDir, sourceName, targetDir, targetName, relative, st, entry);
            break;
        case S_IFDIR:
            // The entry goes first so that the manifest lists parents before children.
            manifest_.entries.push_back(entry);
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
            manifest_.entries.push_back(std::move(entry));
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

        auto names = namesIn(in.get(), sourceRoot_ / relative);
        if (!names)
            return fail(names.error().code, relative);
        for (const std::string& name : names.value()) {
            struct stat child;
            if (::fstatat(in.get(), name.c_str(), &child, AT_SYMLINK_NOFOLLOW) != 0)
                return fail(errno, joinRelative(relative, name));
            if (int error = copyEntry(in.get(), name.c_str(), out.get(), name.c_str(), joinRelative(relative, name), child);
                error != 0)
                return error;
        }
        if (int error = copyExtendedAttributes(in.get(), out.get()); error != 0)
            return fail(error, relative);
        if (::fchmod(out.get(), st.st_mode & 07777) != 0)
            return fail(errno, relative);
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (::futimens(out.get(), times) != 0)
            return fail(errno, relative);
        return 0;
    }

    int copyFile(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                 const std::string& relative, const struct stat& st, CopiedEntry& entry)
    {
        // O_NONBLOCK: if a FIFO took the file's place since the stat, opening it must not hang.
        UniqueFd in(::openat(sourceDir, sourceName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!in.valid())
            return fail(errno, relative);
        struct stat before;
        if (::fstat(in.get(), &before) != 0)
            return fail(errno, relative);
        if (!S_ISREG(before.st_mode) || before.st_ino != st.st_ino || before.st_dev != st.st_dev)
            return fail(OwnError::verificationFailed, relative);
        UniqueFd out(::openat(targetDir, targetName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!out.valid())
            return fail(errno, relative);

        entry.length = before.st_size;
        std::optional<ContentHasher> hasher;
        if (options_.hashContents)
            hasher.emplace();
        if (int error = copyData(in.get(), out.get(), before.st_size, hasher ? &*hasher : nullptr); error != 0)
            return fail(error, relative);
        if (hasher)
            entry.hash = hasher->finish();

        struct stat after;
        if (::fstat(in.get(), &after) != 0)
            return fail(errno, relative);
        if (after.st_size != before.st_size || nanoseconds(after.st_mtim) != nanoseconds(before.st_mtim))
            return fail(OwnError::verificationFailed, relative); // changed while copied
        entry.modifiedNs = nanoseconds(before.st_mtim);

        if (int error = copyExtendedAttributes(in.get(), out.get()); error != 0)
            return fail(error, relative);
        if (::fchmod(out.get(), before.st_mode & 07777) != 0)
            return fail(errno, relative);
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
    int copyData(int in, int out, std::int64_t size, ContentHasher* hasher)
    {
        if (!hasher && size > 0 && ::ioctl(out, FICLONE, in) == 0)
            return 0;
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
            if (int error = copyRange(in, out, data, hole - data, hasher); error != 0)
                return error;
            position = hole;
        }
        if (hasher && position < size)
            hasher->addZeros(size - position);
        if (::ftruncate(out, size) != 0)
            return errno;
        return 0;
    }

    int copyRange(int in, int out, std::int64_t offset, std::int64_t length, ContentHasher* hasher)
    {
        std::int64_t done = 0;
        if (!hasher && useCopyRange_) {
            while (done < length) {
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
        if (buffer_.empty())
            buffer_.resize(bufferSize);
        while (done < length) {
            const auto want = std::size_t(std::min<std::int64_t>(length - done, std::int64_t(buffer_.size())));
            const ssize_t n = ::pread(in, buffer_.data(), want, offset + done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (n == 0)
                return OwnError::verificationFailed; // the source shrank
            if (hasher)
                hasher->add(buffer_.data(), std::size_t(n));
            for (ssize_t written = 0; written < n;) {
                const ssize_t w = ::pwrite(out, buffer_.data() + written, std::size_t(n - written), offset + done + written);
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
    CopyManifest manifest_;
    fs::path sourceRoot_;
    fs::path targetRoot_;
    fs::path failedPath_;
    std::optional<std::pair<dev_t, ino_t>> targetTop_;
    std::vector<char> buffer_;
    bool useCopyRange_ = true;
};

class CopyVerifier {
public:
    CopyVerifier(const CopyManifest& manifest, bool compareContents) : compareContents_(compareContents)
    {
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
                         targetAnchor.value().name(), std::string()))
            return false;
        // An entry gone from the source since the copy is a change too.
        return seen_ == byPath_.size();
    }

private:
    // Writes the whole destination back in one go, so that the fsync of
    // every file and folder during the walk costs little, then makes the
    // item's own entry in its parent durable.
    static bool flushTarget(const PathAnchor& anchor, const fs::path& target)
    {
        UniqueFd parent;
        if (anchor.directory() == AT_FDCWD) {
            const fs::path folder = target.parent_path();
            parent.reset(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        } else {
            parent.reset(::openat(anchor.directory(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        }
        return parent.valid() && ::syncfs(parent.get()) == 0 && ::fsync(parent.get()) == 0;
    }

    bool verifyEntry(int sourceDir, const char* sourceName, int targetDir, const char* targetName, const std::string& relative)
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
        switch (type) {
        case S_IFREG:
            if (source.st_size != entry.length || nanoseconds(source.st_mtim) != entry.modifiedNs ||
                target.st_size != entry.length)
                return false;
            return !compareContents_ || contentMatches(targetDir, targetName, entry);
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
        auto names = namesIn(in.get(), {});
        if (!names)
            return false;
        for (const std::string& name : names.value()) {
            if (!verifyEntry(in.get(), name.c_str(), out.get(), name.c_str(), joinRelative(relative, name)))
                return false;
        }
        return !compareContents_ || ::fsync(out.get()) == 0;
    }

    bool contentMatches(int targetDir, const char* targetName, const CopiedEntry& entry)
    {
        if (!entry.hash)
            return false;
        UniqueFd fd(::openat(targetDir, targetName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!fd.valid() || ::fsync(fd.get()) != 0)
            return false;
        // Drop the cached pages so the re-read comes from the drive.
        ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
        if (buffer_.empty())
            buffer_.resize(bufferSize);
        ContentHasher hasher;
        std::int64_t total = 0;
        for (;;) {
            const ssize_t n = ::read(fd.get(), buffer_.data(), buffer_.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            if (n == 0)
                break;
            hasher.add(buffer_.data(), std::size_t(n));
            total += n;
        }
        return total == entry.length && hasher.finish() == *entry.hash;
    }

    bool compareContents_;
    std::unordered_map<std::string, const CopiedEntry*> byPath_;
    std::size_t seen_ = 0;
    std::vector<char> buffer_;
};

} // namespace

FsResult<CopyManifest> copyItemTree(const fs::path& source, const fs::path& target, const CopyOptions& options)
{
    ItemCopier copier(options);
    return copier.run(source, target);
}

FsResult<void> verifyItemCopy(const fs::path& source, const fs::path& target, const CopyManifest& manifest,
                              bool compareContents)
{
    CopyVerifier verifier(manifest, compareContents);
    if (!verifier.run(source, target))
        return FsError{OwnError::verificationFailed, target};
    return {};
}
