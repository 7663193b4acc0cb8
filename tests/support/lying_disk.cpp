// A disk that lies, for tests: serves one file, "disk", that claims
// `claimed` bytes but stores only as many as its backing file holds. Every
// offset is taken modulo the backing size, as on the fake-capacity USB
// sticks sold widely: writes past the real capacity land on earlier data,
// and the drive reports success. Attach "disk" to a loop device and format
// it. Usage: lying_disk BACKING CLAIMED_BYTES MOUNT_POINT (stays in the
// foreground until unmounted or killed).
//
// Beside "disk", "counters" reads as the bytes read from and written to
// the disk so far ("READ WRITTEN\n"), and writing to "mode" changes how the
// disk behaves from then on: "drop-writes" acknowledges every write and
// keeps none, "drop-past N" keeps none beyond byte N, "fail-reads" fails
// every read with EIO, "slow MS [READ_MS]" makes every write take MS
// milliseconds a MiB (100: about 10 MB/s), and every read READ_MS, "normal"
// undoes them all. "keep-first N" (set
// before formatting, and kept) wraps offsets past the real size onto the
// data after the first N bytes instead of onto the start, as sticks do
// that keep mounting while they spoil files.

#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

int backing = -1;
off_t stored = 0;
off_t claimed = 0;
std::atomic<long long> bytesRead{0};
std::atomic<long long> bytesWritten{0};
std::atomic<bool> dropWrites{false};
std::atomic<bool> failReads{false};
std::atomic<long> slowMsPerMiB{0};
std::atomic<long> slowReadMsPerMiB{0};
std::mutex slowReads;
std::atomic<off_t> dropPast{0};
std::atomic<off_t> keepFirst{0};
std::mutex slowWrites; // FUSE writes on several threads: one sleep at a time slows the disk

bool isControl(const char* path)
{
    return std::strcmp(path, "/counters") == 0 || std::strcmp(path, "/mode") == 0;
}

int getAttributes(const char* path, struct stat* st, fuse_file_info*)
{
    std::memset(st, 0, sizeof *st);
    if (std::strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        return 0;
    }
    if (std::strcmp(path, "/disk") == 0) {
        st->st_mode = S_IFREG | 0600;
        st->st_nlink = 1;
        st->st_size = claimed;
        return 0;
    }
    if (isControl(path)) {
        st->st_mode = S_IFREG | 0600;
        st->st_nlink = 1;
        return 0;
    }
    return -ENOENT;
}

int readDirectory(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags)
{
    if (std::strcmp(path, "/") != 0)
        return -ENOENT;
    fill(buffer, ".", nullptr, 0, fuse_fill_dir_flags(0));
    fill(buffer, "..", nullptr, 0, fuse_fill_dir_flags(0));
    fill(buffer, "disk", nullptr, 0, fuse_fill_dir_flags(0));
    fill(buffer, "counters", nullptr, 0, fuse_fill_dir_flags(0));
    fill(buffer, "mode", nullptr, 0, fuse_fill_dir_flags(0));
    return 0;
}

int openFile(const char* path, fuse_file_info* info)
{
    if (std::strcmp(path, "/disk") != 0 && !isControl(path))
        return -ENOENT;
    info->direct_io = 1; // no page cache: every read asks the backing file
    return 0;
}

// Reads or writes `size` bytes at `offset`, wrapped around the real capacity.
template <typename Transfer>
int wrapped(char* buffer, size_t size, off_t offset, Transfer transfer)
{
    if (offset >= claimed)
        return 0;
    size = size_t(std::min<off_t>(off_t(size), claimed - offset));
    size_t done = 0;
    while (done < size) {
        const off_t logical = offset + off_t(done);
        const off_t keep = keepFirst;
        const off_t at = logical < stored ? logical : keep + (logical - stored) % (stored - keep);
        const size_t piece = size_t(std::min<off_t>(off_t(size - done), stored - at));
        const ssize_t n = transfer(buffer + done, piece, at);
        if (n < 0)
            return -errno;
        if (n == 0)
            break;
        done += size_t(n);
    }
    return int(done);
}

int readFile(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*)
{
    if (std::strcmp(path, "/counters") == 0) {
        const std::string text = std::to_string(bytesRead.load()) + " " + std::to_string(bytesWritten.load()) + "\n";
        if (offset >= off_t(text.size()))
            return 0;
        const size_t n = std::min(size, text.size() - size_t(offset));
        std::memcpy(buffer, text.data() + offset, n);
        return int(n);
    }
    if (failReads)
        return -EIO;
    if (const long slow = slowReadMsPerMiB; slow > 0) {
        const std::lock_guard lock(slowReads);
        std::this_thread::sleep_for(std::chrono::microseconds(slow * 1000 * long(size) / (1024 * 1024)));
    }
    const int done =
        wrapped(buffer, size, offset, [](char* b, size_t n, off_t at) { return ::pread(backing, b, n, at); });
    if (done > 0)
        bytesRead += done;
    return done;
}

int writeFile(const char* path, const char* buffer, size_t size, off_t offset, fuse_file_info*)
{
    if (std::strcmp(path, "/mode") == 0) {
        const std::string mode(buffer, strnlen(buffer, size));
        if (mode.starts_with("keep-first ")) {
            keepFirst = std::min<off_t>(std::strtoll(mode.c_str() + 11, nullptr, 10), stored - 1);
            return int(size);
        }
        dropPast = mode.starts_with("drop-past ") ? std::strtoll(mode.c_str() + 10, nullptr, 10) : 0;
        dropWrites = mode.starts_with("drop-writes");
        failReads = mode.starts_with("fail-reads");
        char* end = nullptr;
        slowMsPerMiB = mode.starts_with("slow ") ? std::strtol(mode.c_str() + 5, &end, 10) : 0;
        slowReadMsPerMiB = mode.starts_with("slow ") ? std::strtol(end, nullptr, 10) : 0;
        return int(size);
    }
    if (dropWrites)
        return int(std::min<off_t>(off_t(size), std::max<off_t>(0, claimed - offset)));
    // Only what lies below the limit is kept; the whole write is acknowledged.
    if (const off_t limit = dropPast; limit > 0 && offset + off_t(size) > limit) {
        const off_t kept = std::max<off_t>(0, limit - offset);
        if (kept > 0 && wrapped(const_cast<char*>(buffer), size_t(kept), offset,
                                [](char* b, size_t n, off_t at) { return ::pwrite(backing, b, n, at); }) < 0)
            return -EIO;
        bytesWritten += kept;
        return int(std::min<off_t>(off_t(size), std::max<off_t>(0, claimed - offset)));
    }
    if (const long slow = slowMsPerMiB; slow > 0) {
        const std::lock_guard lock(slowWrites);
        std::this_thread::sleep_for(std::chrono::microseconds(slow * 1000 * long(size) / (1024 * 1024)));
    }
    const int done = wrapped(const_cast<char*>(buffer), size, offset,
                             [](char* b, size_t n, off_t at) { return ::pwrite(backing, b, n, at); });
    if (done > 0)
        bytesWritten += done;
    return done;
}

int truncateFile(const char*, off_t, fuse_file_info*)
{
    return 0;
}

int syncFile(const char*, int, fuse_file_info*)
{
    return ::fdatasync(backing) == 0 ? 0 : -errno;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 4)
        return 2;
    backing = ::open(argv[1], O_RDWR | O_CLOEXEC);
    struct stat st;
    if (backing < 0 || ::fstat(backing, &st) != 0 || st.st_size <= 0)
        return 1;
    stored = st.st_size;
    claimed = off_t(std::strtoll(argv[2], nullptr, 10));
    fuse_operations operations{};
    operations.getattr = getAttributes;
    operations.readdir = readDirectory;
    operations.open = openFile;
    operations.read = readFile;
    operations.write = writeFile;
    operations.fsync = syncFile;
    operations.truncate = truncateFile;
    char* fuseArguments[] = {argv[0], const_cast<char*>("-f"), argv[3], nullptr};
    return fuse_main(3, fuseArguments, &operations, nullptr);
}
