#pragma once
// A small item with everything a copy must keep: hidden files, a name that
// is not UTF-8, links (one dangling), a FIFO, a 3 MiB file, modes, times and
// an extended attribute; and how a check of a copy of it came out.

#include "fs/fs_error.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <string>

// `text` as the whole file at `path`, its folders made.
void writeText(const std::filesystem::path& path, const std::string& text);

// Makes it as dir/Project and returns its path.
std::filesystem::path makeRichFolder(const TempDir& dir);

// What a check found, as "condition at relative/path", or "ok".
std::string finding(const FsResult<void>& result);
