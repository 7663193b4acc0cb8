#pragma once
// A small image formatted with a kernel file system (ext4, XFS), attached
// to a loop device and mounted; as root, with the file system's tools;
// otherwise `why()` says what is missing. Unmounted and detached at the end.

#include <filesystem>
#include <string>

class LoopMount {
public:
    // `type`: "ext4" or "xfs" (which takes at least 300 MiB).
    LoopMount(const std::filesystem::path& work, const std::string& type, int megabytes);
    ~LoopMount();
    LoopMount(const LoopMount&) = delete;
    LoopMount& operator=(const LoopMount&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& device() const { return device_; }
    const std::filesystem::path& mountPoint() const { return point_; }
    // Whether the kernel's mount table still has it (something else may unmount it).
    bool stillMounted() const;
    const std::string& why() const { return why_; }
    std::filesystem::path operator/(const std::filesystem::path& relative) const { return point_ / relative; }

    // Bytes the device has completed writing since it was attached; -1 if
    // unknown.
    long long bytesWritten() const;

private:
    std::filesystem::path image_;
    std::filesystem::path point_;
    std::string device_;
    bool mounted_ = false;
    std::string why_;
};
