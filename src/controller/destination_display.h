#pragma once
// The destination selector's values for a destination list and the entry
// the pop-up has chosen, and the name a chosen folder is listed under. Pure.

#include "fs/file_system.h"
#include "model/text_table.h"
#include "model/volume_item.h"
#include "ui/window_display.h"

#include <vector>

// `onSourceDisk`: the chosen entry lies on the disk of the scanned
// folders, where moving frees nothing; the label says so, in red.
DestinationDisplay destinationDisplay(const std::vector<VolumeItem>& volumes, int currentIndex, I18n::Language language,
                                      bool onSourceDisk = false);

// The folder's own name, followed by its drive's name when that differs
// ("Backups / Photos Drive"); the free space of its file system, 0 if unknown.
VolumeItem volumeItem(const std::filesystem::path& path, const VolumeValues& values);
