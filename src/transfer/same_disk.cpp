#include "transfer/same_disk.h"

#include <algorithm>

bool anyOnDestinationDisk(const std::vector<Candidate>& items, const std::filesystem::path& destination,
                          const FileSystem& fileSystem)
{
    const auto target = fileSystem.itemValues(destination);
    if (!target || !target.value().device)
        return false;
    return std::any_of(items.begin(), items.end(), [&](const Candidate& item) {
        const auto values = fileSystem.itemValues(item.sourceURL());
        return values && values.value().device == target.value().device;
    });
}
