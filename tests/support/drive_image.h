#pragma once
// A real external-drive file system for tests: a small image formatted as
// exFAT, FAT32 or NTFS, attached to a loop device and mounted through the
// FUSE driver a Debian desktop would use (exfat-fuse, fusefat, ntfs-3g with
// Windows name rules). Needs root, /dev/fuse, a free loop device and the
// tools; without them `skipReason()` says what is missing. Unmounted and
// detached again at the end.

#include <filesystem>
#include <ostream>
#include <string>
#include <sys/types.h>

enum class DriveKind { exfat, fat32, ntfs };

const char* driveKindName(DriveKind kind);

// For test names and messages.
inline void PrintTo(DriveKind kind, std::ostream* out)
{
    *out << driveKindName(kind);
}

class DriveImage {
public:
    // `label`: the file system's name, where not empty (exFAT only).
    DriveImage(DriveKind kind, const std::filesystem::path& workFolder, int megabytes = 64,
               const std::string& label = {});
    // Mounts an image made before (see `takeImage`) read-only at `mountPoint`.
    DriveImage(DriveKind kind, const std::filesystem::path& existingImage, const std::filesystem::path& mountPoint);
    ~DriveImage();
    DriveImage(const DriveImage&) = delete;
    DriveImage& operator=(const DriveImage&) = delete;

    bool mounted() const { return skipReason_.empty(); }
    const std::string& skipReason() const { return skipReason_; }
    const std::filesystem::path& mountPoint() const { return mountPoint_; }

    // Kills the driver, as when a drive is pulled out: every later call on
    // the mount fails (ENOTCONN) instead of waiting.
    void pull();

    // Copies what the device holds now to `to`: what a drive pulled out or
    // a power cut at this moment would keep, as the driver's unwritten
    // buffers and the device's cached blocks are not in it.
    void takeImage(const std::filesystem::path& to) const;

    // How many cache flushes the device has completed since it was
    // attached (a count the kernel keeps per block device); -1 if unknown.
    long long deviceFlushes() const;
    // Bytes the device has read since it was attached; -1 if unknown.
    long long bytesRead() const;

private:
    void attachAndMount(DriveKind kind, bool readOnly);

    std::filesystem::path image_;
    std::filesystem::path mountPoint_;
    std::string loopDevice_;
    pid_t driver_ = -1;
    std::string skipReason_;
};
