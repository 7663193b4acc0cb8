#include "fs/copy/write_behind.h"

#include "fs/fs_error.h"

#include <cerrno>

namespace {

// The request cannot be made for this file (a file system without it), or
// was cut short by a signal.
bool notAvailable(int code)
{
    return code == EINTR || code == EINVAL || code == ESPIPE || code == ENOSYS || code == EOPNOTSUPP || code == ENOTSUP;
}

} // namespace

WriteBehind::WriteBehind(const SystemIo& io, int fd, std::int64_t offset, std::int64_t length)
    : io_(io), fd_(fd), active_(length >= writeBehindPiece), sent_(offset), waited_(offset)
{
}

std::error_code WriteBehind::advance(std::int64_t end)
{
    if (!active_ || end - sent_ < writeBehindPiece)
        return {};
    return send(end);
}

std::error_code WriteBehind::finish(std::int64_t end)
{
    if (!active_ || end <= sent_)
        return {};
    return send(end);
}

std::error_code WriteBehind::send(std::int64_t end)
{
    const unsigned waitFor = SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    // This piece starts first, so that the drive has it to write while we
    // wait for the one before.
    if (io_.syncFileRange(fd_, sent_, end - sent_, SYNC_FILE_RANGE_WRITE) != 0 ||
        (sent_ > waited_ && io_.syncFileRange(fd_, waited_, sent_ - waited_, waitFor) != 0)) {
        if (!notAvailable(errno))
            return writingError(errno);
        active_ = false; // the flush before the read-back does it all
        return {};
    }
    waited_ = sent_;
    sent_ = end;
    return {};
}
