#pragma once
// Exactly the items a user named (on the command line, or from the file
// manager), each one candidate whatever its size, classified and measured
// as a scan would and all ticked. Its location is its parent folder, named
// as the scan names locations.

#include "fs/file_system.h"
#include "model/candidate.h"

#include <filesystem>
#include <stop_token>
#include <vector>

// An item given twice, or inside another given item: the outer one is moved, with it.
struct DroppedItem {
    std::filesystem::path item;
    std::filesystem::path keptWith; // the item it is moved with (itself, when repeated)
};

// `items` (absolute, lexically normal) without repeats and without the ones
// inside another, in their order; `dropped` hears each one left out.
std::vector<std::filesystem::path> outermostItems(const std::vector<std::filesystem::path>& items,
                                                  std::vector<DroppedItem>* dropped = nullptr);

// The candidates of `items`, in the scan's order; items that cannot be read
// or are symbolic links are left out. A stop ends it with what it measured.
std::vector<Candidate> exactCandidates(const std::vector<std::filesystem::path>& items, const FileSystem& fileSystem,
                                       std::stop_token stop = {});
