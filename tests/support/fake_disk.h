#pragma once
// A disk for tests that can lie: support/lying_disk.cpp serves it through
// FUSE, storing `storedMegabytes` while claiming `claimedMegabytes` (writes
// past the real size land on earlier data), attached to a loop device with
// direct I/O, so every read and write of the device reaches the disk and is
// counted there. It can be told to drop writes or fail reads from a moment
// on. Needs root, /dev/fuse and libfuse3 at build time; otherwise `why()`
// says what is missing.

#include <filesystem>
#include <string>
#include <sys/types.h>

class FakeDisk {
public:
    FakeDisk(const std::filesystem::path& work, int storedMegabytes, int claimedMegabytes);
    ~FakeDisk();
    FakeDisk(const FakeDisk&) = delete;
    FakeDisk& operator=(const FakeDisk&) = delete;

    bool attached() const { return !device_.empty(); }
    const std::string& why() const { return why_; }
    // The loop device, "/dev/loopN".
    const std::string& device() const { return device_; }

    // "drop-writes", "fail-reads" or "normal".
    void setMode(const std::string& mode) const;
    // What the disk itself served since it started.
    long long bytesRead() const;
    long long bytesWritten() const;

private:
    std::filesystem::path backing_;
    std::filesystem::path fuseFolder_;
    pid_t daemon_ = -1;
    std::string device_;
    std::string why_;
};
