#pragma once
// The system calls themselves, nothing added. Stateless; shared freely.

#include "fs/system_io.h"

class PosixSystemIo final : public SystemIo {
public:
    int openAt(int directory, const char* name, int flags, mode_t mode = 0) const override;
    int close(int fd) const override;
    ssize_t read(int fd, void* buffer, std::size_t size) const override;
    ssize_t pread(int fd, void* buffer, std::size_t size, off_t offset) const override;
    ssize_t write(int fd, const void* buffer, std::size_t size) const override;
    ssize_t pwrite(int fd, const void* buffer, std::size_t size, off_t offset) const override;
    ssize_t copyFileRange(int in, off_t* inOffset, int out, off_t* outOffset, std::size_t size) const override;
    int cloneFile(int out, int in) const override;
    int fileExtents(int fd, std::vector<FileExtent>& extents) const override;
    off_t seek(int fd, off_t offset, int whence) const override;
    int truncate(int fd, off_t length) const override;
    int fsync(int fd) const override;
    int syncFileSystem(int fd) const override;
    int fadvise(int fd, off_t offset, off_t length, int advice) const override;
    int syncFileRange(int fd, off_t offset, off_t length, unsigned flags) const override;
    int stat(int fd, struct stat* result) const override;
    int statAt(int directory, const char* name, struct stat* result, int flags) const override;
    int statFileSystem(int fd, struct statfs* result) const override;
    int statVolume(int fd, struct statvfs* result) const override;
    long readDirectory(int fd, char* buffer, std::size_t size) const override;
    ssize_t readLinkAt(int directory, const char* name, char* buffer, std::size_t size) const override;
    int makeDirectoryAt(int directory, const char* name, mode_t mode) const override;
    int makeFifoAt(int directory, const char* name, mode_t mode) const override;
    int symlinkAt(const char* target, int directory, const char* name) const override;
    int renameAt(int fromDirectory, const char* from, int toDirectory, const char* to, unsigned flags) const override;
    int linkAt(int fromDirectory, const char* from, int toDirectory, const char* toName) const override;
    int unlinkAt(int directory, const char* name, int flags) const override;
    int changeMode(int fd, mode_t mode) const override;
    int setTimes(int fd, const struct timespec times[2]) const override;
    int setTimesAt(int directory, const char* name, const struct timespec times[2], int flags) const override;
    ssize_t listAttributes(int fd, char* names, std::size_t size) const override;
    ssize_t getAttribute(int fd, const char* name, void* value, std::size_t size) const override;
    int setAttribute(int fd, const char* name, const void* value, std::size_t size, int flags) const override;
    int lockFile(int fd, int operation) const override;
};
