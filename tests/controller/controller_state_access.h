#pragma once
// Puts a controller into a chosen situation the way its runs would, for
// tests of what the window shows in each.

#include "controller/main_window_controller.h"

struct ControllerStateAccess {
    static void set(MainWindowController& controller, bool busy, bool scanned)
    {
        controller.isBusy_ = busy;
        controller.didScan_ = scanned;
    }

    // Starts and records accesses as the scan and destination choices do.
    static void recordAccesses(MainWindowController& controller, const std::vector<std::filesystem::path>& sources,
                               const std::filesystem::path& destination)
    {
        for (const auto& source : sources) {
            controller.sourceRoots_.push_back(source);
            if (controller.fileSystem_.startAccessing(source))
                controller.scopedSourceURLs_.push_back(source);
        }
        if (controller.fileSystem_.startAccessing(destination))
            controller.scopedDestinationURL_ = destination;
    }

    static void setVolumes(MainWindowController& controller, std::vector<VolumeItem> volumes)
    {
        controller.volumes_ = std::move(volumes);
    }
};
