#pragma once
// Where a bring-back may write. A record read from a drive may come from
// anywhere, and bringing back writes into the user's home, so its paths are
// taken only in their plainest form: absolute originals, copies inside their
// run's folder, no "." or ".." or empty part anywhere. Brought back to its
// original place on the strength of the drive's record alone, an item must
// also lie inside the home, outside its hidden folders (".config" holds
// what starts at login), and the folders on its way must be real folders,
// not links that lead elsewhere.

#include "fs/file_system.h"
#include "transfer/run_record.h"

#include <QString>

#include <filesystem>
#include <optional>
#include <string>

// Absolute, with no empty, "." or ".." part (a trailing "/" is an empty part).
bool isPlainAbsolutePath(const std::string& path);

// Relative, with no empty, "." or ".." part.
bool isPlainRelativePath(const std::string& path);

// Why an item of a record read from the drive alone may not go back to its
// original place; none where it may.
std::optional<QString> originalPlaceRefusal(const std::filesystem::path& original, const std::filesystem::path& home,
                                            const FileSystem& fileSystem);

// Why `record` may not be used at all; none where it may. Its originals
// must be plain in any case; `toOriginalPlaces` adds the rules above for
// each of them.
std::optional<QString> recordRefusal(const RunRecord& record, bool toOriginalPlaces, const std::filesystem::path& home,
                                     const FileSystem& fileSystem);
