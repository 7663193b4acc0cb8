#include "fs/copy/drive_pacer.h"

#include "fs/fs_error.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

void DrivePacer::settle()
{
    const std::lock_guard lock(mutex_);
    untold_ = 0;
}

std::error_code DrivePacer::written(const SystemIo& io, int fd, std::int64_t bytes, std::int64_t& onDrive)
{
    onDrive = 0;
    std::int64_t flushing = 0;
    std::int64_t telling = 0;
    {
        const std::lock_guard lock(mutex_);
        inFlight_ += bytes;
        untold_ += bytes;
        const bool holding = holding_ && inFlight_ > 0 && holding_();
        if (!holding && inFlight_ < std::clamp(std::int64_t(bytesPerSecond_), leastInFlight, mostInFlight))
            return {};
        // This lane flushes; the other one writes on meanwhile, and flushes
        // too should it reach the budget before this flush ends.
        flushing = std::exchange(inFlight_, 0);
        telling = std::exchange(untold_, 0);
    }
    const auto start = std::chrono::steady_clock::now();
    if (io.fsync(fd) != 0)
        return writingError(errno);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    onDrive = telling;
    const std::lock_guard lock(mutex_);
    // A flush quicker than a tick says little about the drive's pace.
    if (seconds > 0.02) {
        const double measured = double(flushing) / seconds;
        bytesPerSecond_ = bytesPerSecond_ == 0 ? measured : 0.5 * bytesPerSecond_ + 0.5 * measured;
    }
    return {};
}
