#pragma once
// Unmounts a drive's file system and mounts it again, through the desktop's
// disk service (UDisks2, which file managers mount and eject with, and which
// lets a user do so for their own removable drives). The kernel drops its
// cache of a drive's device when the drive is unmounted, so what is read
// after this comes from the drive itself, through a driver that read its
// file system afresh. Blocking; called on the transfer worker, with nothing
// of the drive held open.

#include <filesystem>

struct RemountResult {
    enum class Outcome {
        remounted,      // unmounted and mounted again, at `mountPoint`
        notUnmounted,   // no such service, a drive it does not know, busy or refused: mounted as before
        notMountedBack, // unmounted, and it did not mount again
    };
    Outcome outcome = Outcome::notUnmounted;
    std::filesystem::path mountPoint;
};

class DriveRemount {
public:
    virtual ~DriveRemount() = default;
    // The file system mounted at `mountPoint`.
    virtual RemountResult remount(const std::filesystem::path& mountPoint) const = 0;
};
