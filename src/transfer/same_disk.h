#pragma once
// Whether a transfer would free nothing: items on the very file system that
// holds the destination stay on this computer's disk, copied or not.

#include "fs/file_system.h"
#include "model/candidate.h"

#include <filesystem>
#include <vector>

// True when any of `items` lies on the file system of `destination`; false
// where either cannot be read (nothing is claimed that is not known).
bool anyOnDestinationDisk(const std::vector<Candidate>& items, const std::filesystem::path& destination,
                          const FileSystem& fileSystem);
// True when `folder` is on the file system of the system ("/") or of the
// home folder: a disk that stays, never one to eject; also where it cannot
// be told.
bool onSystemOrHomeDisk(const std::filesystem::path& folder, const FileSystem& fileSystem);

// The same for any paths (the scanned folders).
bool anyPathOnDestinationDisk(const std::vector<std::filesystem::path>& paths, const std::filesystem::path& destination,
                              const FileSystem& fileSystem);
