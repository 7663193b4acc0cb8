#pragma once
// Classifies one item by its file-name extension: kind, risk and a one-line
// reason, as display text. Only when no extension rule matches does it ask
// the file system whether the item is a folder. Never fails; usable from any
// thread.

#include "fs/file_system.h"
#include "model/move_assessment.h"

#include <cstdint>
#include <filesystem>
#include <string>

// The extension as the rules see it: after the last ".", lower-cased.
std::string lowercasedExtension(const std::filesystem::path& url);

MoveAssessment assessCandidate(const std::filesystem::path& url, const FileSystem& fileSystem);

// The kind's name that does not change with the language ("video",
// "virtualMachine"), from its display text in the current language; empty
// for a text no kind has.
QString kindKey(const QString& kindText);

// The same for the reason ("installer", "smallFile").
QString reasonKey(const QString& reasonText);

// An item the user named, whatever its size: below the size the scan asks
// for, a plain file or folder is not called large.
MoveAssessment assessNamedItem(const std::filesystem::path& url, std::int64_t sizeBytes, const FileSystem& fileSystem);
