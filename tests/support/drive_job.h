#pragma once
// The job the real-drive tests run on exFAT, FAT32 and NTFS: items a drive
// of that kind holds and items it refuses, each big enough to be
// recommended, in a Downloads folder.

#include "fs/fs_error.h"
#include "support/drive_image.h"

#include <filesystem>
#include <string>
#include <vector>

struct RefusedItem {
    std::string item; // its name in Downloads
    FsErrc reason;
    std::string culprit; // inside the item, "" for the item itself
    std::string otherName = {};
};

struct DriveJob {
    std::vector<std::string> good;
    std::vector<RefusedItem> refused;
};

// Makes the items under `downloads` and says which the drive will refuse.
DriveJob makeDriveJob(DriveKind kind, const std::filesystem::path& downloads);
