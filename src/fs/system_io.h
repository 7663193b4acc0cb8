#pragma once
// The system calls under the copier, the verifier, the Trash and the walks,
// behind one narrow interface so that tests can fail any single one of them
// (the Nth write, a close, an fsync), shorten writes or change bytes read
// back. Every call has the shape of its POSIX namesake: on failure it returns
// -1 and sets errno (fadvise returns the error like posix_fadvise). Callers
// retry EINTR where POSIX allows it.
//
// Left outside on purpose, as nothing a test needs to fail: resolving the
// links of a path the Trash and the layer compare (a failure keeps the path
// as given), the process's umask from /proc/self/status (read once per
// copy, to skip needless chmods), and a drive's label and free space through
// QStorageInfo (shown only; the free-space check before a copy uses statVolume).
//
// Implementations must be callable from several threads at once.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Where a piece of a file lies on its drive (FIEMAP's extent: offsets and
// length in bytes, FIEMAP_EXTENT_* flags).
struct FileExtent {
    std::uint64_t logical = 0;
    std::uint64_t physical = 0;
    std::uint64_t length = 0;
    std::uint32_t flags = 0;
    bool operator==(const FileExtent&) const = default;
};

class SystemIo {
public:
    virtual ~SystemIo() = default;

    virtual int openAt(int directory, const char* name, int flags, mode_t mode = 0) const = 0;
    virtual int close(int fd) const = 0;
    virtual ssize_t read(int fd, void* buffer, std::size_t size) const = 0;
    virtual ssize_t pread(int fd, void* buffer, std::size_t size, off_t offset) const = 0;
    virtual ssize_t write(int fd, const void* buffer, std::size_t size) const = 0;
    virtual ssize_t pwrite(int fd, const void* buffer, std::size_t size, off_t offset) const = 0;
    virtual ssize_t copyFileRange(int in, off_t* inOffset, int out, off_t* outOffset, std::size_t size) const = 0;
    // FICLONE: `out` shares all of `in`'s extents.
    virtual int cloneFile(int out, int in) const = 0;
    // The file's extent map, its data written out first (FIEMAP_FLAG_SYNC).
    virtual int fileExtents(int fd, std::vector<FileExtent>& extents) const = 0;
    virtual off_t seek(int fd, off_t offset, int whence) const = 0;
    virtual int truncate(int fd, off_t length) const = 0;
    virtual int fsync(int fd) const = 0;
    virtual int syncFileSystem(int fd) const = 0;
    virtual int fadvise(int fd, off_t offset, off_t length, int advice) const = 0;
    virtual int syncFileRange(int fd, off_t offset, off_t length, unsigned flags) const = 0;

    virtual int stat(int fd, struct stat* result) const = 0;
    virtual int statAt(int directory, const char* name, struct stat* result, int flags) const = 0;
    virtual int statFileSystem(int fd, struct statfs* result) const = 0;
    // fstatvfs: free space and the longest name.
    virtual int statVolume(int fd, struct statvfs* result) const = 0;
    // getdents64: raw linux_dirent64 records; 0 at the end.
    virtual long readDirectory(int fd, char* buffer, std::size_t size) const = 0;
    virtual ssize_t readLinkAt(int directory, const char* name, char* buffer, std::size_t size) const = 0;

    virtual int makeDirectoryAt(int directory, const char* name, mode_t mode) const = 0;
    virtual int makeFifoAt(int directory, const char* name, mode_t mode) const = 0;
    virtual int symlinkAt(const char* target, int directory, const char* name) const = 0;
    virtual int renameAt(int fromDirectory, const char* from, int toDirectory, const char* to,
                         unsigned flags) const = 0;
    virtual int unlinkAt(int directory, const char* name, int flags) const = 0;
    // A hard link `toName` in `toDirectory` to the file `from` (relative to
    // `fromDirectory`), never following a link.
    virtual int linkAt(int fromDirectory, const char* from, int toDirectory, const char* toName) const = 0;

    virtual int changeMode(int fd, mode_t mode) const = 0;
    virtual int setTimes(int fd, const struct timespec times[2]) const = 0;
    virtual int setTimesAt(int directory, const char* name, const struct timespec times[2], int flags) const = 0;
    virtual ssize_t listAttributes(int fd, char* names, std::size_t size) const = 0;
    virtual ssize_t getAttribute(int fd, const char* name, void* value, std::size_t size) const = 0;
    virtual int setAttribute(int fd, const char* name, const void* value, std::size_t size, int flags) const = 0;
    // flock: an advisory lock on the open file, held until its last descriptor closes.
    virtual int lockFile(int fd, int operation) const = 0;
};
