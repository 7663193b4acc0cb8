#pragma once
// The places a run writes to, as names: a folder name made from a display
// text, and whether a destination lies inside an item.

#include "fs/file_system.h"

#include <QString>

#include <filesystem>
#include <string>

// A display text made safe as one folder name: no "/", not "." or "..", not empty.
std::string folderComponent(const QString& text);

// True when `destination` lies inside `item` (or is it), after resolving links.
bool isInside(const std::filesystem::path& destination, const std::filesystem::path& item,
              const FileSystem& fileSystem);
