// The destination: the folder picker, the one-entry destination list, the
// pop-up that mirrors it and the label that shows the chosen entry.

#include "controller/destination_display.h"
#include "controller/main_window_controller.h"
#include "transfer/same_disk.h"
#include "ui/main_window_view.h"

void MainWindowController::refreshVolumesAction()
{
    chooseDestinationFolder();
}

void MainWindowController::chooseDestinationFolder()
{
    if (workRunning())
        return;
    FolderRequest request;
    request.message = I18n::text("panel.destination.message");
    request.prompt = I18n::text("panel.destination.prompt");
    request.multipleSelection = false;
    request.canCreateFolders = true;
    // The drives first: where a destination almost always is. It opens on
    // the destination chosen, else on a drive the desktop mounted (not a
    // fixed disk under /mnt), else on the home folder rather than wherever
    // the program was started from.
    request.places = fileSystem_.driveMountPoints();
    request.startFolder = fileSystem_.homeDirectory();
    const auto removable = std::ranges::find_if(request.places, [](const std::filesystem::path& place) {
        return place.native().starts_with("/media/") || place.native().starts_with("/run/media/");
    });
    if (const auto current = selectedDestination())
        request.startFolder = current->url;
    else if (removable != request.places.end())
        request.startFolder = *removable;
    const std::vector<std::filesystem::path> chosen = dialogs_.chooseFolders(request);
    if (chosen.empty())
        return; // cancelled: the previous destination and its access stay
    const std::filesystem::path& path = chosen.front();
    stopDestinationAccess();
    if (fileSystem_.startAccessing(path))
        scopedDestinationPath_ = path;
    volumes_ = {volumeItem(path, fileSystem_.volumeValues(path))};
    refreshVolumes();
    updateSummary(); // the disk line says whether moving there frees anything
}

void MainWindowController::refreshVolumes()
{
    if (!volumes_.empty())
        volumes_ = {volumeItem(volumes_.front().url, fileSystem_.volumeValues(volumes_.front().url))};
    updateDriveLabel();
    updateInterfaceState();
}

void MainWindowController::updateDriveLabel()
{
    view_->apply(destinationDisplay(volumes_, view_->destinationIndex(), I18n::language(), destinationOnSourceDisk()));
}

bool MainWindowController::destinationOnSourceDisk() const
{
    const auto destination = selectedDestination();
    return destination && anyPathOnDestinationDisk(sourceRoots_, destination->url, fileSystem_);
}

void MainWindowController::driveSelectionChanged()
{
    updateDriveLabel();
}

std::optional<VolumeItem> MainWindowController::selectedDestination() const
{
    const int index = view_->destinationIndex();
    if (index < 0 || std::size_t(index) >= volumes_.size())
        return std::nullopt;
    return volumes_[std::size_t(index)];
}
