#pragma once
// One destination entry: the folder that would receive transfers, its display
// name and the bytes available on its volume when the entry was made.

#include <QString>

#include <cstdint>
#include <filesystem>

struct VolumeItem {
    std::filesystem::path url;
    QString name;
    std::int64_t freeBytes = 0;
};
