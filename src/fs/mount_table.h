#pragma once
// Looks a file system up in the kernel's own mount table
// (/proc/self/mountinfo), where FUSE drivers show what statfs hides.

#include <optional>
#include <string>
#include <sys/types.h>

struct MountEntry {
    std::string type;   // "ext4", "fuseblk", "fuse.fusefat"...
    std::string source; // the device or name it was mounted from, escaped as the table has it
};

// The mount of the file system with device number `device` (a stat's
// st_dev); none when the table cannot be read or has no such line.
std::optional<MountEntry> mountOfDevice(dev_t device);
