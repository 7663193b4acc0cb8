#include "fs/copy/file_data_copy.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <utility>

namespace {

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
        pending_ = thread_.start(run);
        if (!pending_)
            run();
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

} // namespace

bool shortcutUnavailable(int code)
{
    return code == EOPNOTSUPP || code == ENOTTY || code == EXDEV || code == EINVAL || code == ENOSYS || code == EBADF;
}

std::error_code FileDataCopier::copyData(int in, int out, std::int64_t size, bool sparse, ContentHasher* hasher,
                                         CopyLane& lane, int hashIn)
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
        return systemError(errno);
    return {};
}

std::error_code FileDataCopier::copyRange(int in, int out, std::int64_t offset, std::int64_t length,
                                          ContentHasher* hasher, CopyLane& lane, int hashIn)
{
    Range range{offset, length, 0, offset};
    // The kernel reads ahead further when told, for its own copy as for
    // the loop below; cp tells it too.
    if (length > std::int64_t(copyBufferSize))
        io_.fadvise(in, offset, length, POSIX_FADV_SEQUENTIAL);
    WriteBehind writeBehind(io_, out, offset, length);
    if (useCopyRange_) {
        if (const std::error_code error = kernelCopy(in, out, range, hasher, lane, hashIn, writeBehind))
            return error;
    }
    if (const std::error_code error = readWriteCopy(in, out, range, hasher, lane, writeBehind))
        return error;
    return writeBehind.finish(offset + range.done);
}

std::error_code FileDataCopier::wrote(int out, std::int64_t bytes)
{
    if (!pacer_) {
        counted(bytes);
        return {};
    }
    std::int64_t onDrive = 0;
    const std::error_code error = pacer_->written(io_, out, bytes, onDrive);
    // Also with nothing on the drive yet: a paused run waits here.
    if (copied_)
        copied_(onDrive);
    return error;
}

// Where the kernel refuses (across file systems), it stops with no error and
// the read/write loop goes on from where it stopped.
std::error_code FileDataCopier::kernelCopy(int in, int out, Range& range, ContentHasher* hasher, CopyLane& lane,
                                           int hashIn, WriteBehind& writeBehind)
{
    const std::int64_t offset = range.offset;
    const std::int64_t length = range.length;
    std::int64_t& done = range.done;
    std::int64_t& hashedTo = range.hashedTo;
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
            std::error_code error = wrote(out, n);
            if (!error)
                error = writeBehind.advance(offset + done);
            if (error) {
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
        const std::error_code error = systemError(errno);
        ahead.finish();
        return error;
    }
    if (const std::error_code error = caughtUp())
        return error;
    return {};
}

std::error_code FileDataCopier::readWriteCopy(int in, int out, Range& range, ContentHasher* hasher, CopyLane& lane,
                                              WriteBehind& writeBehind)
{
    const std::int64_t offset = range.offset;
    const std::int64_t length = range.length;
    std::int64_t& done = range.done;
    std::int64_t& hashedTo = range.hashedTo;
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
        if (const std::error_code error = wrote(out, std::int64_t(n)))
            return error;
        if (const std::error_code error = writeBehind.advance(offset + done))
            return error;
    }
    return {};
}

// Reads the next piece of at most `left` bytes at `offset` into `buffer`
// (`got` says how much); reading nothing means the source shrank.
std::error_code FileDataCopier::readChunk(int in, std::int64_t offset, std::int64_t left, PageBuffer& buffer,
                                          std::size_t& got)
{
    if (!buffer.data())
        return systemError(ENOMEM);
    const auto want = std::size_t(std::min<std::int64_t>(left, std::int64_t(copyBufferSize)));
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

std::error_code FileDataCopier::hashRange(int in, std::int64_t offset, std::int64_t length, ContentHasher& hasher,
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
