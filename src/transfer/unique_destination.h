#pragma once
// Turns a proposed name into one at which nothing exists, so a copy never
// replaces or merges into an earlier one: the name itself when free, else
// "base n.ext" for n = 2 ... 999, else "base UUID.ext". Finding a name only
// tests for existence; renameToFreeName, at the end, gives a finished copy
// the name found. Callable from any thread.

#include "fs/file_system.h"

#include <filesystem>
#include <functional>
#include <string>

// The rule itself, over any test of whether a name is taken.
std::string uniqueName(const std::string& name, const std::function<bool(const std::string&)>& taken);

// A free path beside `proposed`.
std::filesystem::path uniqueDestination(const std::filesystem::path& proposed, const FileSystem& fileSystem);

// A free name inside a held folder.
std::string uniqueNameIn(const HeldFolder& folder, const std::string& name, const FileSystem& fileSystem);

// Renames `from` inside `folder` to the name `freeName` gives, which must
// still be free then; another run in the same second may take it meanwhile,
// so a taken name is tried again with the next free one. The name given.
FsResult<std::string> renameToFreeName(const HeldFolder& folder, const std::string& from,
                                       const std::function<std::string()>& freeName, const FileSystem& fileSystem);
