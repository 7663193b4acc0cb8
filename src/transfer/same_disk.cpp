#include "transfer/same_disk.h"

#include <algorithm>

bool anyPathOnDestinationDisk(const std::vector<std::filesystem::path>& paths, const std::filesystem::path& destination,
                              const FileSystem& fileSystem)
{
    const auto target = fileSystem.itemValues(destination);
    if (!target || !target.value().device)
        return false;
    return std::any_of(paths.begin(), paths.end(), [&](const std::filesystem::path& path) {
        const auto values = fileSystem.itemValues(path);
        return values && values.value().device == target.value().device;
    });
}

bool onSystemOrHomeDisk(const std::filesystem::path& folder, const FileSystem& fileSystem)
{
    return anyPathOnDestinationDisk({"/", fileSystem.homeDirectory()}, folder, fileSystem) ||
           !fileSystem.itemValues(folder).ok();
}

bool anyOnDestinationDisk(const std::vector<Candidate>& items, const std::filesystem::path& destination,
                          const FileSystem& fileSystem)
{
    std::vector<std::filesystem::path> paths;
    paths.reserve(items.size());
    for (const Candidate& item : items)
        paths.push_back(item.sourceURL());
    return anyPathOnDestinationDisk(paths, destination, fileSystem);
}
