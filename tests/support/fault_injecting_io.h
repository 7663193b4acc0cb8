#pragma once
// A SystemIo for tests: the real system calls, except for the faults a test
// scripts: the Nth call of a kind fails with a chosen errno (after really
// doing it, for close, as a drive that reports a lost write at close does),
// writes that take only part of what they were given, and a byte flipped in
// what a read returns (read is the verifier's read-back; the copier uses
// pread). Counts every call. Thread-safe, as the copier uses two threads.

#include "fs/posix_system_io.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

enum class IoCall {
    openAt,
    close,
    read,
    pread,
    write,
    pwrite,
    copyFileRange,
    cloneFile,
    fileExtents,
    seek,
    truncate,
    fsync,
    syncFileSystem,
    fadvise,
    syncFileRange,
    stat,
    statAt,
    statFileSystem,
    statVolume,
    readDirectory,
    readLinkAt,
    makeDirectoryAt,
    makeFifoAt,
    symlinkAt,
    renameAt,
    unlinkAt,
    linkAt,
    changeMode,
    setTimes,
    setTimesAt,
    listAttributes,
    getAttribute,
    setAttribute,
};
inline constexpr std::size_t ioCallKinds = std::size_t(IoCall::setAttribute) + 1;

class FaultInjectingIo final : public SystemIo {
public:
    // Counting from now, calls `nth` (1-based) to `nth + times - 1` of `call`
    // fail with `errnoValue`.
    void failCall(IoCall call, int nth, int errnoValue, int times = 1);
    // Takes back every failure set for `call`.
    void clearFailures(IoCall call);
    // Counting from now, `action` runs just before the `nth` call of `call`
    // (to pull a drive or change a source at that very moment).
    void beforeCall(IoCall call, int nth, std::function<void()> action);
    // Every call of `call` first waits `delay`: a slow drive.
    void slowDown(IoCall call, std::chrono::microseconds delay);
    // Every write and pwrite takes at most `bytes`.
    void limitWrites(std::size_t bytes);
    // The `nth` read that returns data comes back with its first byte flipped.
    void flipByteOnRead(int nth = 1);
    int calls(IoCall call) const;
    // From now on, the flushes and renames made, in order: "syncfs NAME",
    // "fsync NAME" (the name the descriptor was opened at), "rename FROM TO".
    void traceFlushesAndRenames();
    std::vector<std::string> trace() const;

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
    int unlinkAt(int directory, const char* name, int flags) const override;
    int linkAt(int fromDirectory, const char* from, int toDirectory, const char* toName) const override;
    int changeMode(int fd, mode_t mode) const override;
    int setTimes(int fd, const struct timespec times[2]) const override;
    int setTimesAt(int directory, const char* name, const struct timespec times[2], int flags) const override;
    ssize_t listAttributes(int fd, char* names, std::size_t size) const override;
    ssize_t getAttribute(int fd, const char* name, void* value, std::size_t size) const override;
    int setAttribute(int fd, const char* name, const void* value, std::size_t size, int flags) const override;
    int lockFile(int fd, int operation) const override { return real_.lockFile(fd, operation); }

private:
    struct Fault {
        IoCall call;
        int first;
        int last;
        int errnoValue;
    };

    // Counts the call; returns the errno it is to fail with, or 0.
    int injected(IoCall call) const;
    std::size_t writeSize(std::size_t size) const;

    PosixSystemIo real_;
    mutable std::mutex mutex_;
    mutable std::array<int, ioCallKinds> counts_{};
    std::vector<Fault> faults_;
    struct Action {
        IoCall call;
        int at;
        std::function<void()> run;
    };
    mutable std::vector<Action> actions_;
    std::size_t writeLimit_ = 0;
    std::array<std::chrono::microseconds, ioCallKinds> delays_{};
    int flipNth_ = 0;
    mutable int dataReads_ = 0;
    bool tracing_ = false;
    mutable std::vector<std::string> trace_;
    void traced(std::string what) const;
    static std::string nameOf(int fd);
};
