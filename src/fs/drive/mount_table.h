#pragma once
// Looks a file system up in the kernel's own mount table
// (/proc/self/mountinfo), where FUSE drivers show what statfs hides.

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

struct MountEntry {
    std::string type;   // "ext4", "fuseblk", "fuse.fusefat"...
    std::string source; // the device or name it was mounted from ("/dev/sdb1")
    std::string point;  // where it is mounted
};

// The mount of the file system with device number `device` (a stat's
// st_dev): its first mount as a whole, not a folder of it bound elsewhere
// (unless only such are left); none when the table cannot be read or has
// no such line.
std::optional<MountEntry> mountOfDevice(dev_t device);

// The mount points of the user's drives in a mountinfo text: those under
// /media/USER and /run/media/USER, where desktops mount them, and under
// /mnt, where people do; in the table's order, each once.
std::vector<std::filesystem::path> userDriveMounts(const std::string& mountInfo, const std::string& user);
// The same from this process's table, for the user it runs as.
std::vector<std::filesystem::path> userDriveMounts();

// The file system mounted at `point` (the last one, where several are
// mounted over each other); none when the table has none there.
std::optional<MountEntry> mountAt(const std::filesystem::path& point);
