#include "transfer/drive_reach.h"

namespace {

using Outcome = RemountResult::Outcome;

// Way 1. True when the drive was mounted again and its folders found; a
// drive unmounted that did not come back is `lost`.
bool remountDrive(RunFolders& folders, const DriveAccess& access, const FileSystem& fileSystem,
                  const DriveRemount& remount, std::optional<FsError>& lost)
{
    const std::optional<RunPlaces> places = runPlaces(folders, access.mountPoint, fileSystem);
    if (!places)
        return false;
    const DestinationRules rules = folders.rules;
    const std::filesystem::path dated = folders.dated.path();
    const bool datedMade = folders.datedMade;
    std::set<std::string> rootsMade = std::move(folders.rootsMade);
    // Nothing of ours may keep the drive busy.
    folders = RunFolders{};
    const RemountResult result = remount.remount(access.mountPoint);
    if (result.outcome == Outcome::notMountedBack) {
        lost = FsError{FsErrc::driveNotMountedBack, dated};
        return false;
    }
    const bool remounted = result.outcome == Outcome::remounted;
    auto held =
        reholdRunFolders(*places, remounted ? result.mountPoint : access.mountPoint, rules, !remounted, fileSystem);
    if (!held) {
        lost = held.error();
        return false;
    }
    folders = std::move(held).value();
    fileSystem.claimRunFolder(folders.dated);
    folders.datedMade = datedMade;
    folders.rootsMade = std::move(rootsMade);
    return remounted;
}

} // namespace

DriveReach reachDrive(RunFolders& folders, const FileSystem& fileSystem, const DriveRemount* remount,
                      const std::function<void()>& checking)
{
    const DriveAccess access = fileSystem.driveAccess(folders.dated);
    if (!access.userSpaceDriver)
        return {};
    if (checking)
        checking();
    DriveReach reach;
    if (remount && !access.mountPoint.empty() && remountDrive(folders, access, fileSystem, *remount, reach.lost))
        return reach;
    reach.reached = !reach.lost && !access.device.empty() && fileSystem.dropDeviceCache(access.device).ok();
    return reach;
}
