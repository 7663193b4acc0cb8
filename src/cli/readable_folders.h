#pragma once
// The folders named on the command line that can be read, checked before a
// scan: a folder that is missing, unreadable or not a folder would
// otherwise yield nothing without a word.

#include "fs/file_system.h"

#include <QString>

#include <filesystem>
#include <functional>
#include <vector>

// The readable ones, in order; `complain` hears one line for each other one:
// "cannot read FOLDER: reason", in the user's language.
std::vector<std::filesystem::path> readableFolders(const std::vector<std::filesystem::path>& folders,
                                                   const FileSystem& fileSystem,
                                                   const std::function<void(const QString&)>& complain);
