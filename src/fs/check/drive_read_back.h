#pragma once
// Reads a file back from its drive, to hash what the drive holds now: the
// file's cached pages are dropped first and a big file is read with direct
// reads where the drive takes them (hashed on another thread while the next
// piece is read), else and a small one through the emptied cache. The copy
// must be on the drive already (copy_flush.h): the cache drops only pages
// that hold nothing unwritten. A read of a copy
// leaves its access time alone, so reading writes nothing to the drive.
// Every system call goes through `io`; `hash` may run on many threads at once.

#include "fs/file_system.h"
#include "fs/system_io.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stop_token>
#include <sys/types.h>
#include <system_error>
#include <utility>

// A file checked by its status and opened by its name later: whatever is
// opened must still be that file.
struct CheckedFile {
    int directory;
    const char* name;
    ino_t inode;
};

enum class ReadSide { source, copy };

struct ReadBackBufferFree {
    void operator()(char* p) const { std::free(p); }
};
// Aligned for direct reads; the reader allocates it on first use.
using ReadBackBuffer = std::unique_ptr<char, ReadBackBufferFree>;

class DriveReadBack {
public:
    // `verified` hears of the copy's bytes as they are read; a stop request
    // ends a read with ECANCELED.
    DriveReadBack(const SystemIo& io, std::stop_token stop, ByteCounter verified)
        : io_(io), stop_(std::move(stop)), verified_(std::move(verified))
    {
    }

    // The hash of the file's `length` bytes as its drive returns them now;
    // none with `failure` saying why: another file in its place
    // (FsErrc::sourceChanged for the source, contentsDiffer for the copy),
    // another length (lengthDiffers), an input/output error as the side's
    // own condition (originalUnreadable, readBackFailed), ECANCELED. Only a
    // copy's bytes count as verified: where the source is read too, they
    // would count twice.
    std::optional<ContentHash> hash(const CheckedFile& file, ReadSide side, std::int64_t length, ReadBackBuffer& buffer,
                                    std::error_code& failure) const;

    // True when the open `fd` is the regular file `file` was checked as.
    bool isFile(int fd, const CheckedFile& file) const;

private:
    std::optional<ContentHash> readHash(int fd, std::int64_t length, ReadBackBuffer& buffer, std::int64_t& counted,
                                        std::error_code& error) const;

    const SystemIo& io_;
    const std::stop_token stop_;
    const ByteCounter verified_;
};
