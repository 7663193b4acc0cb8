#pragma once
// Keeps what a copy has written, but its drive has not yet received, small
// where the kernel's write-back cannot be steered. Through a driver in user
// space (exfat-fuse, ntfs-3g) the writes wait in the kernel's cache of the
// drive's device, sync_file_range does nothing there, and a whole move can
// sit in memory: the progress races ahead of the drive, and a pause, a stop
// or the flush before the read-back then waits for all of it. So the copier
// tells the pacer of every piece it writes, and once what is in flight
// passes about a second of the drive's measured write speed (8 to 64 MiB),
// the file being written is flushed, which puts everything of the drive on
// it (such a driver answers an fsync of any file by writing out all it
// holds). The bytes a flush put on the drive are told only then, so the
// progress follows the drive. Shared by the copying lanes and by every item
// of a run; its calls may come from several threads at once.

#include "fs/system_io.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <system_error>

class DrivePacer {
public:
    // `holding` tells when the run is paused: what is in flight then goes
    // to the drive at once, so that the drive falls quiet instead of taking
    // the rest in the kernel's own time (up to half a minute later).
    explicit DrivePacer(std::function<bool()> holding = {}) : holding_(std::move(holding)) {}

    static constexpr std::int64_t leastInFlight = 8LL * 1024 * 1024;
    static constexpr std::int64_t mostInFlight = 64LL * 1024 * 1024;

    // `bytes` more of the open file `fd` were written. `onDrive` is set to the
    // bytes this call found on the drive (0 until a flush); an error where
    // the flush failed.
    std::error_code written(const SystemIo& io, int fd, std::int64_t bytes, std::int64_t& onDrive);
    // An item's copy ended: what it still has in flight counts against the
    // next flush, but is no longer told as the next item's.
    void settle();

private:
    const std::function<bool()> holding_;
    std::mutex mutex_;
    std::int64_t inFlight_ = 0; // written, not known to be on the drive
    std::int64_t untold_ = 0;   // of those, not yet told as on the drive
    double bytesPerSecond_ = 0; // as the flushes measured it
};
