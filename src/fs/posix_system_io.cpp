#include "fs/posix_system_io.h"

#include <algorithm>
#include <cerrno>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

int PosixSystemIo::openAt(int directory, const char* name, int flags, mode_t mode) const
{
    return ::openat(directory, name, flags, mode);
}

int PosixSystemIo::close(int fd) const
{
    return ::close(fd);
}

ssize_t PosixSystemIo::read(int fd, void* buffer, std::size_t size) const
{
    return ::read(fd, buffer, size);
}

ssize_t PosixSystemIo::pread(int fd, void* buffer, std::size_t size, off_t offset) const
{
    return ::pread(fd, buffer, size, offset);
}

ssize_t PosixSystemIo::write(int fd, const void* buffer, std::size_t size) const
{
    return ::write(fd, buffer, size);
}

ssize_t PosixSystemIo::pwrite(int fd, const void* buffer, std::size_t size, off_t offset) const
{
    return ::pwrite(fd, buffer, size, offset);
}

ssize_t PosixSystemIo::copyFileRange(int in, off_t* inOffset, int out, off_t* outOffset, std::size_t size) const
{
    return ::copy_file_range(in, inOffset, out, outOffset, size, 0);
}

int PosixSystemIo::cloneFile(int out, int in) const
{
    return ::ioctl(out, FICLONE, in);
}

int PosixSystemIo::fileExtents(int fd, std::vector<FileExtent>& extents) const
{
    extents.clear();
    constexpr std::uint32_t batch = 128;
    std::vector<char> space(sizeof(fiemap) + batch * sizeof(fiemap_extent));
    auto* map = reinterpret_cast<fiemap*>(space.data());
    for (std::uint64_t start = 0;;) {
        std::fill(space.begin(), space.end(), 0);
        map->fm_start = start;
        map->fm_length = FIEMAP_MAX_OFFSET - start;
        map->fm_flags = FIEMAP_FLAG_SYNC;
        map->fm_extent_count = batch;
        if (::ioctl(fd, FS_IOC_FIEMAP, map) != 0)
            return -1;
        if (map->fm_mapped_extents == 0)
            return 0;
        for (std::uint32_t i = 0; i < map->fm_mapped_extents; ++i) {
            const fiemap_extent& e = map->fm_extents[i];
            extents.push_back({e.fe_logical, e.fe_physical, e.fe_length, e.fe_flags});
            if (e.fe_flags & FIEMAP_EXTENT_LAST)
                return 0;
        }
        // A map that does not move on would be asked for again forever.
        const FileExtent& last = extents.back();
        if (last.logical + last.length <= start) {
            errno = EIO;
            return -1;
        }
        start = last.logical + last.length;
    }
}

off_t PosixSystemIo::seek(int fd, off_t offset, int whence) const
{
    return ::lseek(fd, offset, whence);
}

int PosixSystemIo::truncate(int fd, off_t length) const
{
    return ::ftruncate(fd, length);
}

int PosixSystemIo::fsync(int fd) const
{
    return ::fsync(fd);
}

int PosixSystemIo::syncFileSystem(int fd) const
{
    return ::syncfs(fd);
}

int PosixSystemIo::fadvise(int fd, off_t offset, off_t length, int advice) const
{
    return ::posix_fadvise(fd, offset, length, advice);
}

int PosixSystemIo::syncFileRange(int fd, off_t offset, off_t length, unsigned flags) const
{
    return ::sync_file_range(fd, offset, length, flags);
}

int PosixSystemIo::stat(int fd, struct stat* result) const
{
    return ::fstat(fd, result);
}

int PosixSystemIo::statAt(int directory, const char* name, struct stat* result, int flags) const
{
    return ::fstatat(directory, name, result, flags);
}

int PosixSystemIo::statFileSystem(int fd, struct statfs* result) const
{
    return ::fstatfs(fd, result);
}

int PosixSystemIo::statVolume(int fd, struct statvfs* result) const
{
    return ::fstatvfs(fd, result);
}

long PosixSystemIo::readDirectory(int fd, char* buffer, std::size_t size) const
{
    return ::syscall(SYS_getdents64, fd, buffer, size);
}

ssize_t PosixSystemIo::readLinkAt(int directory, const char* name, char* buffer, std::size_t size) const
{
    return ::readlinkat(directory, name, buffer, size);
}

int PosixSystemIo::makeDirectoryAt(int directory, const char* name, mode_t mode) const
{
    return ::mkdirat(directory, name, mode);
}

int PosixSystemIo::makeFifoAt(int directory, const char* name, mode_t mode) const
{
    return ::mkfifoat(directory, name, mode);
}

int PosixSystemIo::symlinkAt(const char* target, int directory, const char* name) const
{
    return ::symlinkat(target, directory, name);
}

int PosixSystemIo::renameAt(int fromDirectory, const char* from, int toDirectory, const char* to, unsigned flags) const
{
    return ::renameat2(fromDirectory, from, toDirectory, to, flags);
}

int PosixSystemIo::linkAt(int fromDirectory, const char* from, int toDirectory, const char* toName) const
{
    return ::linkat(fromDirectory, from, toDirectory, toName, 0);
}

int PosixSystemIo::unlinkAt(int directory, const char* name, int flags) const
{
    return ::unlinkat(directory, name, flags);
}

int PosixSystemIo::changeMode(int fd, mode_t mode) const
{
    return ::fchmod(fd, mode);
}

int PosixSystemIo::setTimes(int fd, const struct timespec times[2]) const
{
    return ::futimens(fd, times);
}

int PosixSystemIo::setTimesAt(int directory, const char* name, const struct timespec times[2], int flags) const
{
    return ::utimensat(directory, name, times, flags);
}

ssize_t PosixSystemIo::listAttributes(int fd, char* names, std::size_t size) const
{
    return ::flistxattr(fd, names, size);
}

ssize_t PosixSystemIo::getAttribute(int fd, const char* name, void* value, std::size_t size) const
{
    return ::fgetxattr(fd, name, value, size);
}

int PosixSystemIo::setAttribute(int fd, const char* name, const void* value, std::size_t size, int flags) const
{
    return ::fsetxattr(fd, name, value, size, flags);
}

int PosixSystemIo::lockFile(int fd, int operation) const
{
    return ::flock(fd, operation);
}
