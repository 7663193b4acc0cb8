#pragma once
// How the progress strip names the folders being scanned: the first three
// display names, then "+N" for the rest ("Downloads, Movies, Music +2").

#include "fs/file_system.h"

#include <QString>

#include <filesystem>
#include <vector>

QString sourceDescription(const std::vector<std::filesystem::path>& roots, const FileSystem& fileSystem);
