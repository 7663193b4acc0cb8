#pragma once
// Copies the data of one open regular file into another, as the item copier
// does for every file it does not share by reflink: copy_file_range in
// chunks where the kernel can (within one file system), else a read/write
// loop through a page-aligned buffer (across file systems, the usual case
// for an external drive); only the data parts of a sparse file, its holes
// left as holes. When a hash is asked for, the source's bytes are hashed as
// they are copied: by the loop as it reads them, or just before the kernel
// copies each chunk, which then finds it in the cache, the next chunk on
// the lane's own thread meanwhile. A large file goes to its drive as it is
// written (write_behind.h). Every system call goes through `io`.

#include "fs/copy/content_hash.h"
#include "fs/copy/drive_pacer.h"
#include "fs/copy/helper_thread.h"
#include "fs/copy/write_behind.h"
#include "fs/file_system.h"
#include "fs/system_io.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stop_token>
#include <system_error>

// The kernel's shortcuts (reflink, copy_file_range) are not available
// between these two files.
bool shortcutUnavailable(int code);

// Big enough for few system calls, small enough to stay in the CPU's cache
// between the read, the hash and the write, as cp's: 1 MiB did not, and its
// copies to XFS took twice as long as cp's (3.6-4.2 s against 1.7-1.8 s for
// 2 GiB, in alternating order).
inline constexpr std::size_t copyBufferSize = 128 * 1024;
// Small enough to report progress several times a second on a slow drive.
inline constexpr std::int64_t copyRangeChunk = 16LL * 1024 * 1024;

// A buffer of `copyBufferSize` bytes that starts on a page, allocated on first
// use, as cp and dd use: the kernel's copies to and from the page cache are
// then page to page (malloc puts a buffer this big 16 bytes into a page).
class PageBuffer {
public:
    char* data()
    {
        if (!bytes_)
            bytes_.reset(static_cast<char*>(std::aligned_alloc(pageSize, copyBufferSize)));
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

// Copies file data for one item; its calls may run on several lanes at once.
class FileDataCopier {
public:
    // `stop` ends a copy at its next chunk with ECANCELED; `copied` hears of
    // the bytes as they are done (holes count as they are passed).
    // With a `pacer`, written bytes are heard of once they are on the drive.
    FileDataCopier(const SystemIo& io, std::stop_token stop, ByteCounter copied, DrivePacer* pacer = nullptr)
        : io_(io), stop_(std::move(stop)), copied_(std::move(copied)), pacer_(pacer)
    {
    }

    // Whether the kernel's copy is still tried: hashing it wants a second
    // descriptor of the source.
    bool usesKernelCopy() const { return useCopyRange_; }

    // Copies `size` bytes of `in` to `out`, only the data parts of a sparse
    // file; with a hasher, the bytes are hashed in order, read from `hashIn`
    // where the kernel copies.
    std::error_code copyData(int in, int out, std::int64_t size, bool sparse, ContentHasher* hasher, CopyLane& lane,
                             int hashIn);

private:
    // How far the copy of one range, and its hash, have come.
    struct Range {
        std::int64_t offset;
        std::int64_t length;
        std::int64_t done;
        std::int64_t hashedTo; // below this, in the hash (it runs ahead of the copy)
    };

    bool stopped() const { return stop_.stop_requested(); }
    void counted(std::int64_t bytes) const
    {
        if (copied_ && bytes > 0)
            copied_(bytes);
    }

    std::error_code wrote(int out, std::int64_t bytes);
    std::error_code copyRange(int in, int out, std::int64_t offset, std::int64_t length, ContentHasher* hasher,
                              CopyLane& lane, int hashIn);
    std::error_code kernelCopy(int in, int out, Range& range, ContentHasher* hasher, CopyLane& lane, int hashIn,
                               WriteBehind& writeBehind);
    std::error_code readWriteCopy(int in, int out, Range& range, ContentHasher* hasher, CopyLane& lane,
                                  WriteBehind& writeBehind);
    std::error_code readChunk(int in, std::int64_t offset, std::int64_t left, PageBuffer& buffer, std::size_t& got);
    std::error_code hashRange(int in, std::int64_t offset, std::int64_t length, ContentHasher& hasher,
                              PageBuffer& buffer);

    const SystemIo& io_;
    std::stop_token stop_;
    ByteCounter copied_;
    DrivePacer* pacer_;
    std::atomic<bool> useCopyRange_{true};
};
