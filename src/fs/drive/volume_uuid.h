#pragma once
// The identity of the file system mounted at a place, as the system's
// /dev/disk/by-uuid names it: what stays the same wherever and however
// often the drive is mounted, to know it again later.

#include <filesystem>
#include <optional>
#include <string>

// None where the mount has no block device, or the device no UUID.
std::optional<std::string> fileSystemUuid(const std::filesystem::path& mountPoint);

// The file system's label, read from its first blocks as for the UUID:
// for where no udev names the devices (ext2-4, XFS, exFAT, FAT). None where
// it has none or cannot be read.
std::optional<std::string> fileSystemLabel(const std::filesystem::path& mountPoint);
