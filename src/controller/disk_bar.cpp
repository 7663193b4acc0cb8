#include "controller/disk_bar.h"

#include "model/byte_format.h"
#include "model/text_format.h"

#include <algorithm>

std::optional<DiskSpace> diskOfRoots(const std::vector<std::filesystem::path>& roots, const FileSystem& fileSystem)
{
    std::optional<std::uint64_t> device;
    for (const auto& root : roots) {
        const auto values = fileSystem.itemValues(root);
        if (!values || !values.value().device || (device && *device != *values.value().device))
            return std::nullopt;
        device = values.value().device;
    }
    if (!device)
        return std::nullopt;
    const VolumeValues volume = fileSystem.volumeValues(roots.front());
    if (!volume.totalBytes || !volume.availableBytes || *volume.totalBytes <= 0)
        return std::nullopt;
    return DiskSpace{*volume.totalBytes, std::clamp<std::int64_t>(*volume.availableBytes, 0, *volume.totalBytes)};
}

DiskBarDisplay diskBarDisplay(const std::optional<DiskSpace>& disk, std::int64_t selectedBytes, I18n::Language language,
                              bool destinationOnThisDisk)
{
    DiskBarDisplay display;
    if (!disk)
        return display;
    const double total = double(disk->totalBytes);
    const std::int64_t used = disk->totalBytes - disk->availableBytes;
    // What the ticked items take is part of what is used.
    const std::int64_t frees = std::clamp<std::int64_t>(selectedBytes, 0, used);
    display.hidden = false;
    display.usedFraction = double(used) / total;
    display.freesFraction = double(frees) / total;
    display.line = formatText(I18n::text("summary.frees", language),
                              {formatBytes(std::max<std::int64_t>(0, selectedBytes)), formatBytes(disk->totalBytes)});
    if (destinationOnThisDisk) {
        display.freesFraction = 0;
        display.line = formatText(I18n::text("summary.freesNothing", language), {formatBytes(disk->totalBytes)});
    }
    return display;
}
