#pragma once
// A USB stick as most are sold: exFAT or NTFS, mounted through its FUSE
// driver (exfat-fuse, ntfs-3g) the way a desktop mounts it, over a fake
// disk (fake_disk.h) that may store less than it claims, drop writes or
// fail reads. The drive may be unmounted and mounted again elsewhere while
// a test runs (by the desktop's disk service); every mount of its device is
// undone at the end. Needs root; otherwise `why()` says what is missing.

#include "support/drive_image.h"
#include "support/fake_disk.h"

#include <filesystem>
#include <string>
#include <vector>

class FuseStick {
public:
    // `diskMode` is given to the disk before it is formatted (fake_disk.h),
    // `formatOptions` to the formatter.
    FuseStick(DriveKind kind, const std::filesystem::path& work, int storedMegabytes, int claimedMegabytes,
              const std::string& diskMode = {}, const std::vector<std::string>& formatOptions = {});
    ~FuseStick();
    FuseStick(const FuseStick&) = delete;
    FuseStick& operator=(const FuseStick&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }
    const std::filesystem::path& mountPoint() const { return point_; }
    const FakeDisk& disk() const { return disk_; }
    // The driver's command that mounts the device at `point`.
    std::vector<std::string> mountCommand(const std::filesystem::path& point) const;

    // Unmounts the drive and mounts it again at `point`, as a user would
    // after plugging it in again; false when it will not mount.
    bool mountAgain(const std::filesystem::path& point);

private:
    DriveKind kind_;
    FakeDisk disk_;
    std::filesystem::path point_;
    bool mounted_ = false;
    std::string why_;
};
