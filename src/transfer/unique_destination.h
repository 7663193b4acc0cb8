#pragma once
// Turns a proposed target path into one at which nothing exists, so a copy
// never replaces or merges into an earlier one: the name itself when free,
// else "base n.ext" for n = 2 ... 999, else "base UUID.ext". Only tests for
// existence; never creates anything. Callable from any thread.

#include "fs/file_system.h"

#include <filesystem>

std::filesystem::path uniqueDestination(const std::filesystem::path& proposed, const FileSystem& fileSystem);
