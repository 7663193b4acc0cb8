#pragma once
// Sends a large file's copy to its drive while the copying goes on, piece by
// piece, and waits for the piece before last to be on the drive. Without it
// the kernel takes gigabytes into memory at the speed of memory: the progress
// races ahead of a slow stick, and the flush before the read-back then
// stands still for minutes. With it the copy goes at the drive's pace and
// holds at most two pieces of each file in memory. Only a request: where a
// file system cannot do it, nothing changes; a write error it reports fails
// the file (the copy is not done, and the original stays).

#include "fs/system_io.h"

#include <cstdint>
#include <system_error>

// Also the smallest copy that is sent off this way: smaller ones wait for
// the one flush before the read-back, which costs them less.
inline constexpr std::int64_t writeBehindPiece = 16LL * 1024 * 1024;

class WriteBehind {
public:
    // Bytes `offset` to `offset + length` of the file open as `fd` are about
    // to be written.
    WriteBehind(const SystemIo& io, int fd, std::int64_t offset, std::int64_t length);

    // Everything below `end` has been written.
    std::error_code advance(std::int64_t end);
    // Everything has been written: the last piece is sent off as well.
    std::error_code finish(std::int64_t end);

private:
    std::error_code send(std::int64_t end);

    const SystemIo& io_;
    int fd_;
    bool active_;
    std::int64_t sent_;   // below this, on the drive or on its way
    std::int64_t waited_; // below this, on the drive
};
