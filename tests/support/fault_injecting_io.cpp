#include "support/fault_injecting_io.h"

#include <cerrno>
#include <thread>
#include <unistd.h>
#include <utility>

void FaultInjectingIo::failCall(IoCall call, int nth, int errnoValue, int times)
{
    std::lock_guard lock(mutex_);
    const int made = counts_[std::size_t(call)];
    faults_.push_back({call, made + nth, made + nth + times - 1, errnoValue});
}

void FaultInjectingIo::clearFailures(IoCall call)
{
    std::lock_guard lock(mutex_);
    std::erase_if(faults_, [call](const auto& fault) { return fault.call == call; });
}

void FaultInjectingIo::beforeCall(IoCall call, int nth, std::function<void()> action)
{
    std::lock_guard lock(mutex_);
    actions_.push_back({call, counts_[std::size_t(call)] + nth, std::move(action)});
}

void FaultInjectingIo::slowDown(IoCall call, std::chrono::microseconds delay)
{
    std::lock_guard lock(mutex_);
    delays_[std::size_t(call)] = delay;
}

void FaultInjectingIo::limitWrites(std::size_t bytes)
{
    std::lock_guard lock(mutex_);
    writeLimit_ = bytes;
}

void FaultInjectingIo::flipByteOnRead(int nth)
{
    std::lock_guard lock(mutex_);
    flipNth_ = dataReads_ + nth;
}

int FaultInjectingIo::calls(IoCall call) const
{
    std::lock_guard lock(mutex_);
    return counts_[std::size_t(call)];
}

int FaultInjectingIo::injected(IoCall call) const
{
    std::function<void()> action;
    int error = 0;
    std::chrono::microseconds delay{};
    {
        std::lock_guard lock(mutex_);
        delay = delays_[std::size_t(call)];
        const int count = ++counts_[std::size_t(call)];
        for (Action& due : actions_) {
            if (due.call == call && due.at == count && due.run)
                action = std::exchange(due.run, nullptr);
        }
        for (const Fault& fault : faults_) {
            if (fault.call == call && count >= fault.first && count <= fault.last)
                error = fault.errnoValue;
        }
    }
    if (action)
        action(); // outside the lock: it may well make calls of its own
    if (delay.count() > 0)
        std::this_thread::sleep_for(delay);
    return error;
}

std::size_t FaultInjectingIo::writeSize(std::size_t size) const
{
    std::lock_guard lock(mutex_);
    return writeLimit_ > 0 && size > writeLimit_ ? writeLimit_ : size;
}

#define LOFTWELL_FAIL_IF_INJECTED(call)     \
    if (const int error = injected(call)) { \
        errno = error;                      \
        return -1;                          \
    }

int FaultInjectingIo::close(int fd) const
{
    // The descriptor is gone either way, as with a real close that fails.
    const int result = real_.close(fd);
    if (const int error = injected(IoCall::close)) {
        errno = error;
        return -1;
    }
    return result;
}

ssize_t FaultInjectingIo::read(int fd, void* buffer, std::size_t size) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::read)
    const ssize_t n = real_.read(fd, buffer, size);
    if (n > 0) {
        std::lock_guard lock(mutex_);
        if (++dataReads_ == flipNth_)
            static_cast<unsigned char*>(buffer)[0] ^= 0x20;
    }
    return n;
}

ssize_t FaultInjectingIo::write(int fd, const void* buffer, std::size_t size) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::write)
    return real_.write(fd, buffer, writeSize(size));
}

ssize_t FaultInjectingIo::pwrite(int fd, const void* buffer, std::size_t size, off_t offset) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::pwrite)
    return real_.pwrite(fd, buffer, writeSize(size), offset);
}

int FaultInjectingIo::fadvise(int fd, off_t offset, off_t length, int advice) const
{
    if (const int error = injected(IoCall::fadvise))
        return error; // posix_fadvise returns its error
    return real_.fadvise(fd, offset, length, advice);
}

int FaultInjectingIo::syncFileRange(int fd, off_t offset, off_t length, unsigned flags) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::syncFileRange)
    return real_.syncFileRange(fd, offset, length, flags);
}

int FaultInjectingIo::openAt(int directory, const char* name, int flags, mode_t mode) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::openAt)
    return real_.openAt(directory, name, flags, mode);
}

ssize_t FaultInjectingIo::pread(int fd, void* buffer, std::size_t size, off_t offset) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::pread)
    return real_.pread(fd, buffer, size, offset);
}

ssize_t FaultInjectingIo::copyFileRange(int in, off_t* inOffset, int out, off_t* outOffset, std::size_t size) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::copyFileRange)
    return real_.copyFileRange(in, inOffset, out, outOffset, size);
}

int FaultInjectingIo::fileExtents(int fd, std::vector<FileExtent>& extents) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::fileExtents)
    return real_.fileExtents(fd, extents);
}

int FaultInjectingIo::cloneFile(int out, int in) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::cloneFile)
    return real_.cloneFile(out, in);
}

off_t FaultInjectingIo::seek(int fd, off_t offset, int whence) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::seek)
    return real_.seek(fd, offset, whence);
}

int FaultInjectingIo::truncate(int fd, off_t length) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::truncate)
    return real_.truncate(fd, length);
}

int FaultInjectingIo::fsync(int fd) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::fsync)
    traced("fsync " + nameOf(fd));
    return real_.fsync(fd);
}

int FaultInjectingIo::syncFileSystem(int fd) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::syncFileSystem)
    traced("syncfs " + nameOf(fd));
    return real_.syncFileSystem(fd);
}

int FaultInjectingIo::stat(int fd, struct stat* result) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::stat)
    return real_.stat(fd, result);
}

int FaultInjectingIo::statAt(int directory, const char* name, struct stat* result, int flags) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::statAt)
    return real_.statAt(directory, name, result, flags);
}

int FaultInjectingIo::statFileSystem(int fd, struct statfs* result) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::statFileSystem)
    return real_.statFileSystem(fd, result);
}

int FaultInjectingIo::statVolume(int fd, struct statvfs* result) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::statVolume)
    return real_.statVolume(fd, result);
}

long FaultInjectingIo::readDirectory(int fd, char* buffer, std::size_t size) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::readDirectory)
    return real_.readDirectory(fd, buffer, size);
}

ssize_t FaultInjectingIo::readLinkAt(int directory, const char* name, char* buffer, std::size_t size) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::readLinkAt)
    return real_.readLinkAt(directory, name, buffer, size);
}

int FaultInjectingIo::makeDirectoryAt(int directory, const char* name, mode_t mode) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::makeDirectoryAt)
    return real_.makeDirectoryAt(directory, name, mode);
}

int FaultInjectingIo::makeFifoAt(int directory, const char* name, mode_t mode) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::makeFifoAt)
    return real_.makeFifoAt(directory, name, mode);
}

int FaultInjectingIo::symlinkAt(const char* target, int directory, const char* name) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::symlinkAt)
    return real_.symlinkAt(target, directory, name);
}

int FaultInjectingIo::renameAt(int fromDirectory, const char* from, int toDirectory, const char* to,
                               unsigned flags) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::renameAt)
    traced(std::string("rename ") + from + " " + to);
    return real_.renameAt(fromDirectory, from, toDirectory, to, flags);
}

void FaultInjectingIo::traceFlushesAndRenames()
{
    std::lock_guard lock(mutex_);
    tracing_ = true;
    trace_.clear();
}

std::vector<std::string> FaultInjectingIo::trace() const
{
    std::lock_guard lock(mutex_);
    return trace_;
}

std::string FaultInjectingIo::nameOf(int fd)
{
    char link[4096];
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(proc.c_str(), link, sizeof link);
    const std::string path = n > 0 ? std::string(link, std::size_t(n)) : std::string();
    return path.substr(path.find_last_of('/') + 1);
}

void FaultInjectingIo::traced(std::string what) const
{
    std::lock_guard lock(mutex_);
    if (tracing_)
        trace_.push_back(std::move(what));
}

int FaultInjectingIo::unlinkAt(int directory, const char* name, int flags) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::unlinkAt)
    return real_.unlinkAt(directory, name, flags);
}

int FaultInjectingIo::linkAt(int fromDirectory, const char* from, int toDirectory, const char* toName) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::linkAt)
    return real_.linkAt(fromDirectory, from, toDirectory, toName);
}

int FaultInjectingIo::changeMode(int fd, mode_t mode) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::changeMode)
    return real_.changeMode(fd, mode);
}

int FaultInjectingIo::setTimes(int fd, const struct timespec times[2]) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::setTimes)
    return real_.setTimes(fd, times);
}

int FaultInjectingIo::setTimesAt(int directory, const char* name, const struct timespec times[2], int flags) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::setTimesAt)
    return real_.setTimesAt(directory, name, times, flags);
}

ssize_t FaultInjectingIo::listAttributes(int fd, char* names, std::size_t size) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::listAttributes)
    return real_.listAttributes(fd, names, size);
}

ssize_t FaultInjectingIo::getAttribute(int fd, const char* name, void* value, std::size_t size) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::getAttribute)
    return real_.getAttribute(fd, name, value, size);
}

int FaultInjectingIo::setAttribute(int fd, const char* name, const void* value, std::size_t size, int flags) const
{
    LOFTWELL_FAIL_IF_INJECTED(IoCall::setAttribute)
    return real_.setAttribute(fd, name, value, size, flags);
}
