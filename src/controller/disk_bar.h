#pragma once
// The summary strip's picture of the space a move frees: the disk that
// holds the scanned folders, how much of it is used, and how much of that
// the ticked items would free. Shown only where all the folders are on one
// file system whose size is known.

#include "fs/file_system.h"
#include "model/text_table.h"
#include "ui/window_display.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

struct DiskSpace {
    std::int64_t totalBytes = 0;
    std::int64_t availableBytes = 0;
};

// The one file system of `roots`; none where they span several, or its
// size cannot be read.
std::optional<DiskSpace> diskOfRoots(const std::vector<std::filesystem::path>& roots, const FileSystem& fileSystem);

// Pure. With the destination on that very disk, moving frees nothing of
// it, and the line says so.
DiskBarDisplay diskBarDisplay(const std::optional<DiskSpace>& disk, std::int64_t selectedBytes, I18n::Language language,
                              bool destinationOnThisDisk = false);
