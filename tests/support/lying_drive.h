#pragma once
// A USB stick that claims more than it stores, as the fake-capacity sticks
// sold widely do: a FUSE file (support/lying_disk.cpp) that maps every
// offset modulo its real size, attached to a loop device, formatted ext4
// with its journal below the wrap, and mounted. Writes past the real size
// land on earlier data, and the drive says nothing. Needs root, /dev/fuse
// and libfuse3 at build time; otherwise `why()` says what is missing.

#include "support/fake_disk.h"

#include <filesystem>
#include <string>

class LyingDrive {
public:
    LyingDrive(const std::filesystem::path& work, int storedMegabytes, int claimedMegabytes);
    ~LyingDrive();
    LyingDrive(const LyingDrive&) = delete;
    LyingDrive& operator=(const LyingDrive&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }
    const std::filesystem::path& mountPoint() const { return point_; }
    const FakeDisk& disk() const { return disk_; }

private:
    FakeDisk disk_;
    std::filesystem::path point_;
    bool mounted_ = false;
    std::string why_;
};

// Every byte of a file as its drive holds it now, read past the page cache
// (O_DIRECT); "" when it cannot be read.
std::string readFromDrive(const std::filesystem::path& file);
