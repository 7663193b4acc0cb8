#include "fs/check/drive_read_back.h"

#include "fs/copy/content_hash.h"
#include "fs/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <system_error>

namespace {

// Reading a copy back straight from the drive: bigger requests keep the
// drive busier (4 MiB read 2 GB about 10 % faster than 1 MiB here).
constexpr std::size_t readBackSize = 4 * 1024 * 1024;
constexpr std::int64_t cachedReadsUpTo = 1024 * 1024;

// An input/output error says which side failed.
std::error_code sideError(ReadSide side, std::error_code error)
{
    if (error != std::errc::io_error)
        return error;
    return make_error_code(side == ReadSide::copy ? FsErrc::readBackFailed : FsErrc::originalUnreadable);
}

} // namespace

bool DriveReadBack::isFile(int fd, const CheckedFile& file) const
{
    struct stat status;
    return io_.stat(fd, &status) == 0 && status.st_ino == file.inode && S_ISREG(status.st_mode);
}

std::optional<ContentHash> DriveReadBack::hash(const CheckedFile& file, ReadSide side, std::int64_t length,
                                               ReadBackBuffer& buffer, std::error_code& failure) const
{
    // Another file has taken its name since it was checked.
    const FsErrc ifReplaced = side == ReadSide::source ? FsErrc::sourceChanged : FsErrc::contentsDiffer;
    std::int64_t counted = side == ReadSide::source ? length : 0;
    constexpr int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    UniqueFd fd;
    const auto opened = [&] {
        if (!fd.valid()) {
            failure = systemError(errno);
            return false;
        }
        if (!isFile(fd.get(), file)) {
            failure = make_error_code(ifReplaced);
            return false;
        }
        return true;
    };
    // A read of the copy must not write to its drive: no access time
    // (where the file is not the user's own, the kernel refuses that).
    int copyFlags = side == ReadSide::copy ? flags | O_NOATIME : flags;
    const auto open = [&](int extra) {
        fd.reset(io_.openAt(file.directory, file.name, copyFlags | extra));
        if (!fd.valid() && errno == EPERM && (copyFlags & O_NOATIME) != 0) {
            copyFlags &= ~O_NOATIME;
            fd.reset(io_.openAt(file.directory, file.name, copyFlags | extra));
        }
    };
    // One open per file where the drive takes direct reads: on FUSE
    // every open and close is a round trip to the file system's process.
    // A small file is read through the cache, emptied of it first: a direct
    // read of it is one more request of its own, where the cache reads it
    // whole with what lies after it; 30,000 small copies read back sixteen
    // at a time from ext4 over a loop device in 2.3 s direct, 0.7 s so.
    bool direct = false;
    if (length > cachedReadsUpTo) {
        open(O_DIRECT);
        direct = fd.valid();
    }
    if (!direct)
        open(0); // small, or O_DIRECT refused
    if (!opened())
        return std::nullopt;
    // Cached pages dropped first: some file systems accept O_DIRECT and
    // still answer from the cache (compressed btrfs, FUSE).
    io_.fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
    std::error_code error;
    if (direct) {
        if (auto hash = readHash(fd.get(), length, buffer, counted, error))
            return hash;
        if (stop_.stop_requested()) {
            failure = systemError(ECANCELED);
            return std::nullopt;
        }
        // A drive's own error fails the item: a second try through the
        // cache might be answered by pages it still holds.
        if (error != std::errc::invalid_argument) {
            failure = sideError(side, error);
            return std::nullopt;
        }
        // Refused after all (alignment, or a file system that cannot do
        // it): read through the cache below, whose pages were dropped.
        open(0);
        if (!opened())
            return std::nullopt;
    }
    io_.fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    auto hash = readHash(fd.get(), length, buffer, counted, error);
    if (!hash)
        failure = sideError(side, error);
    return hash;
}

// The hash of the whole file; none when it cannot be read (`error` says
// why) or its length is not `length`. Bytes past `counted` are reported
// as verified, and `counted` moves on with them.
std::optional<ContentHash> DriveReadBack::readHash(int fd, std::int64_t length, ReadBackBuffer& buffer,
                                                   std::int64_t& counted, std::error_code& error) const
{
    if (!buffer) // aligned for direct reads
        buffer.reset(static_cast<char*>(std::aligned_alloc(4096, readBackSize)));
    // Direct reads get no read-ahead: a big file is hashed on another
    // thread while the next piece is read, so the drive never waits.
    // (A thread of its own: the read-back's lanes are reading files of their own.)
    ReadBackBuffer second;
    if (length > std::int64_t(readBackSize))
        second.reset(static_cast<char*>(std::aligned_alloc(4096, readBackSize)));
    if (!buffer) {
        error = systemError(ENOMEM);
        return std::nullopt;
    }
    char* buffers[2] = {buffer.get(), second ? second.get() : buffer.get()};
    int current = 0;
    ContentHasher hasher;
    std::future<void> hashing; // of the other buffer, at most one at a time
    const auto finishHashing = [&] {
        if (hashing.valid())
            hashing.get();
    };
    std::int64_t total = 0;
    for (;;) {
        if (stop_.stop_requested()) {
            finishHashing();
            error = systemError(ECANCELED);
            return std::nullopt;
        }
        const ssize_t n = io_.read(fd, buffers[current], readBackSize);
        if (n < 0 && errno == EINTR)
            continue;
        const int readError = n < 0 ? errno : 0;
        finishHashing();
        if (n < 0) {
            error = systemError(readError);
            return std::nullopt;
        }
        if (n == 0)
            break;
        const char* piece = buffers[current];
        if (second) {
            try {
                hashing = std::async(std::launch::async, [&hasher, piece, n] { hasher.add(piece, std::size_t(n)); });
            } catch (const std::system_error&) {
                hasher.add(piece, std::size_t(n)); // no thread to be had: here, then
            }
            current ^= 1;
        } else {
            hasher.add(piece, std::size_t(n));
        }
        total += n;
        // A second read after a refused direct one counts only what is new.
        if (verified_ && total > counted) {
            verified_(total - counted);
            counted = total;
        }
        // A short read of a regular file is its end: no read to hear
        // so, which on FUSE is one more round trip per file.
        if (std::size_t(n) < readBackSize && total == length)
            break;
    }
    finishHashing();
    if (total != length) {
        error = make_error_code(FsErrc::lengthDiffers);
        return std::nullopt;
    }
    return hasher.finish();
}
