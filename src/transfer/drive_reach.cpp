#include "transfer/drive_reach.h"

namespace {

using Outcome = RemountResult::Outcome;
using Remount = std::function<RemountResult(const std::filesystem::path& mountPoint)>;

// Lets go of the run's folders (nothing of ours may keep the drive busy),
// remounts the drive and finds the folders again on it.
RemountResult remountHolding(RunFolders& folders, DriveClaim& claim, const DriveAccess& access,
                             const FileSystem& fileSystem, const Remount& remount, std::optional<FsError>& lost)
{
    const std::optional<RunPlaces> places = runPlaces(folders, access.mountPoint, fileSystem);
    if (!places)
        return {};
    RunFolders kept = std::move(folders);
    folders = RunFolders{};
    kept.perRoot.clear();
    kept.earlier.clear();
    const std::filesystem::path dated = kept.dated.path();
    kept.destination = HeldFolder{};
    kept.dated = HeldFolder{};
    const RemountResult result = remount(access.mountPoint);
    if (result.outcome == Outcome::notMountedBack) {
        lost = FsError{FsErrc::driveNotMountedBack, dated};
        return result;
    }
    const bool moved = result.outcome == Outcome::remounted || result.outcome == Outcome::deviceHeld;
    auto held =
        reholdRunFolders(*places, moved ? result.mountPoint : access.mountPoint, kept.rules, !moved, fileSystem);
    // (Mounted, but the run's folders not found there: the drive is still
    // to be mounted as before.)
    if (!held) {
        lost = held.error();
        return result;
    }
    folders = std::move(held).value();
    // The drive's device lock, held all along, kept every other run off the
    // drive and out of its folders while it was away (earlier_copies.h);
    // these take the new mount too, and failing that, that lock still holds.
    (void)fileSystem.claimRunFolder(folders.dated);
    (void)fileSystem.claimDrive(folders.destination, claim);
    folders.datedMade = kept.datedMade;
    folders.rootsMade = std::move(kept.rootsMade);
    return result;
}

// Why a remount that did not happen, or did not reach the drive, leaves
// the copies not checked.
FsError notReachedBecause(const RemountResult& result, const std::filesystem::path& dated)
{
    FsError error{FsErrc::notCheckedOnDrive, dated};
    if (result.outcome == Outcome::busy)
        error = FsError{FsErrc::driveBusy, dated};
    else if (result.outcome == Outcome::deviceHeld)
        error = FsError{FsErrc::deviceHeld, dated};
    error.otherName = result.heldBy;
    return error;
}

} // namespace

namespace {

bool remountedSo(const RemountResult& result)
{
    return result.outcome == Outcome::remounted || result.outcome == Outcome::deviceHeld;
}

} // namespace

DriveReach reachDrive(RunFolders& folders, DriveClaim& claim, const FileSystem& fileSystem, const DriveRemount* remount,
                      const std::function<void()>& checking)
{
    const DriveAccess access = fileSystem.driveAccess(folders.dated);
    if (!access.userSpaceDriver)
        return {};
    if (checking)
        checking();
    DriveReach reach;
    reach.reached = false;
    const std::filesystem::path dated = folders.dated.path();
    if (access.mountPoint.empty()) {
        reach.notReached = FsError{FsErrc::notCheckedOnDrive, dated};
        return reach;
    }
    RemountResult result;
    if (remount) {
        result = remountHolding(
            folders, claim, access, fileSystem, [&](const auto& point) { return remount->remount(point, true); },
            reach.lost);
        if (remountedSo(result))
            reach.readOnly = DriveReach::Way::service;
    }
    if (!reach.lost && (result.outcome == Outcome::unavailable || result.outcome == Outcome::refused)) {
        result = remountHolding(
            folders, claim, access, fileSystem, [&](const auto&) { return fileSystem.remountDrive(access, true); },
            reach.lost);
        if (remountedSo(result))
            reach.readOnly = DriveReach::Way::own;
    }
    if (remountedSo(result))
        reach.remounted = DriveAccess{true, result.mountPoint, access.device, true};
    // Only a read-only mount is sure to write nothing while it is read.
    const bool readOnly = !reach.lost && folders.dated.valid() && fileSystem.driveAccess(folders.dated).readOnly;
    reach.reached = !reach.lost && result.outcome == Outcome::remounted && readOnly;
    if (!reach.reached && !reach.lost)
        reach.notReached = notReachedBecause(result, dated);
    return reach;
}

std::optional<FsError> restoreDrive(RunFolders& folders, DriveClaim& claim, const FileSystem& fileSystem,
                                    const DriveRemount* remount, const DriveReach& reach)
{
    if (reach.readOnly == DriveReach::Way::none)
        return std::nullopt;
    // Where the run's folders were lost, the drive is still mounted as before.
    if (!folders.dated.valid()) {
        const RemountResult result = reach.readOnly == DriveReach::Way::service && remount
                                         ? remount->remount(reach.remounted.mountPoint, false)
                                         : fileSystem.remountDrive(reach.remounted, false);
        return remountedSo(result) ? std::nullopt
                                   : std::optional<FsError>(FsError{FsErrc::driveBusy, reach.remounted.mountPoint});
    }
    const DriveAccess access = fileSystem.driveAccess(folders.dated);
    std::optional<FsError> lost;
    const RemountResult result = reach.readOnly == DriveReach::Way::service && remount
                                     ? remountHolding(
                                           folders, claim, access, fileSystem,
                                           [&](const auto& point) { return remount->remount(point, false); }, lost)
                                     : remountHolding(
                                           folders, claim, access, fileSystem,
                                           [&](const auto&) { return fileSystem.remountDrive(access, false); }, lost);
    if (lost)
        return lost;
    if (!remountedSo(result))
        return FsError{FsErrc::driveBusy, folders.dated.valid() ? folders.dated.path() : access.mountPoint};
    return std::nullopt;
}
