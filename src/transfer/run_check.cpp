#include "transfer/run_check.h"

#include "transfer/drive_reach.h"
#include "transfer/unique_destination.h"

#include <algorithm>

namespace {

FsError stopped(const Candidate& item)
{
    return FsError{systemError(ECANCELED), item.sourceURL()};
}

// Failures that are the item's own doing (its original changed, could not
// be read, or the user stopped): every other failure of a read-back says
// the drive cannot be trusted with anything.
bool isItemsOwn(const std::error_code& code)
{
    return code == FsErrc::sourceChanged || code == FsErrc::changedSinceScan || code == FsErrc::sizeCheckFailed ||
           code == FsErrc::originalUnreadable || code == FsErrc::otherFileSystem ||
           code == std::errc::operation_canceled || code == FsErrc::notCheckedOnDrive || code == FsErrc::driveBusy ||
           code == FsErrc::deviceHeld;
}

// Step 1: the copy's own name, on the drive, before anything is read back.
FsResult<void> nameForCheck(const Candidate& item, const HeldFolder& folder, MadeCopy& made,
                            const FileSystem& fileSystem)
{
    if (made.named)
        return {};
    auto named = renameToFreeName(
        folder, made.name, [&] { return uniqueNameIn(folder, lastPathComponent(item.sourceURL()), fileSystem); },
        fileSystem);
    if (!named)
        return named.error();
    made.uncheckedName = std::exchange(made.name, named.value());
    made.named = true;
    return fileSystem.flushCopy(folder, made.name);
}

// Step 6: a copy not found identical takes back its hidden name.
void unnameAfterCheck(const Candidate& item, const HeldFolder& folder, MadeCopy& made, int longestName,
                      const FileSystem& fileSystem)
{
    if (made.uncheckedName.empty())
        return;
    bool first = true;
    auto back = renameToFreeName(
        folder, made.name,
        [&] {
            if (std::exchange(first, false) && !fileSystem.existsIn(folder, made.uncheckedName))
                return made.uncheckedName;
            return uncheckedNameIn(folder, lastPathComponent(item.sourceURL()), longestName, fileSystem);
        },
        fileSystem);
    if (!back)
        return;
    made.name = back.value();
    made.named = false;
    made.uncheckedName.clear();
    (void)fileSystem.flushCopy(folder, made.name);
}

// Where an item whose copy was written and flushed stands after `error`.
ItemState stateAfterCheck(const FsError& error, bool identical, bool driveLost)
{
    if (identical)
        return ItemState::copied;
    // Whole and on the drive, but never read back from it.
    const bool unread = driveLost || error.code == std::errc::operation_canceled ||
                        error.code == FsErrc::notCheckedOnDrive || error.code == FsErrc::driveBusy ||
                        error.code == FsErrc::deviceHeld || error.code == FsErrc::destinationGone ||
                        error.code == FsErrc::driveNotMountedBack;
    return unread ? ItemState::copiedNotChecked : ItemState::notCopied;
}

} // namespace

CheckEnd checkCopies(CheckRun& run, std::vector<std::pair<std::int64_t, MadeCopy>>& copies, const FailItem& fail)
{
    const FileSystem& fileSystem = run.fileSystem;
    const auto total = std::int64_t(run.items.size());
    const auto itemOf = [&](std::size_t i) -> const Candidate& { return run.items[std::size_t(copies[i].first)]; };
    std::vector<std::optional<FsError>> failed(copies.size()); // none: found identical, or not read yet
    std::vector<bool> identical(copies.size());
    std::vector<bool> trashStep(copies.size());
    std::vector<bool> unnamed(copies.size()); // whole, under the name of a copy not checked
    if (run.driveGone)
        failed.assign(copies.size(), run.driveGone);

    // 1. Named.
    for (std::size_t i = 0; i < copies.size() && !run.driveGone && !run.stop.stop_requested(); ++i) {
        MadeCopy& copy = copies[i].second;
        if (auto named = nameForCheck(itemOf(i), folderOf(copy, run.folders), copy, fileSystem); !named) {
            failed[i] = named.error();
            unnamed[i] = copy.uncheckedName.empty();
        }
    }

    // 2. The drive answering from itself.
    DriveReach reach;
    if (!run.driveGone && !run.stop.stop_requested() &&
        std::ranges::any_of(failed, [](const auto& error) { return !error; }))
        reach = reachDrive(run.folders, run.claim, fileSystem, run.remount, [&] { run.meter.checkingDrive(); });

    // 3. Read back, every copy.
    bool stoppedRun = false;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const Candidate& item = itemOf(i);
        MadeCopy& copy = copies[i].second;
        run.meter.waitWhilePaused();
        stoppedRun = stoppedRun || run.stop.stop_requested();
        if (!failed[i] && (stoppedRun || reach.lost))
            failed[i] = stoppedRun ? stopped(item) : *reach.lost;
        if (failed[i]) {
            run.meter.skip(itemLength(item));
            continue;
        }
        run.meter.startPhase(copies[i].first + 1, total, displayName(item), true, itemLength(item));
        const CopyCheck check = !reach.reached    ? CopyCheck::layout
                                : run.moveToTrash ? CopyCheck::contentsBeforeTrash
                                                  : CopyCheck::contents;
        const HeldFolder& folder = folderOf(copy, run.folders);
        auto verified = fileSystem.verifyCopy(item.sourceURL(), folder, copy.name, copy.manifest, check, run.stop,
                                              run.meter.counter());
        run.meter.endPhase();
        if (!verified)
            failed[i] = verified.error();
        else if (!reach.reached)
            failed[i] = reach.notReached;
        // A copy on a drive that has since gone, or in a folder removed
        // meanwhile, is no copy to rely on.
        else if (!fileSystem.stillAvailable(run.folders.destination) || !fileSystem.stillAvailable(folder))
            failed[i] = FsError{FsErrc::destinationGone, folder.path()};
        else
            identical[i] = true;
        stoppedRun = stoppedRun || (failed[i] && failed[i]->code == std::errc::operation_canceled);
    }

    // 4. One verdict for the drive: any failure that is not an item's own
    // keeps every original; one where the drive gave back what it was not
    // given, or did not come back, is said first in the report.
    CheckEnd end;
    end.driveFault = reach.lost.has_value() || std::ranges::any_of(failed, [](const auto& error) {
                         return error && (error->code == FsErrc::readBackFailed ||
                                          (isVerificationFailure(error->code) && !isItemsOwn(error->code)));
                     });
    const bool keepAll = end.driveFault || std::ranges::any_of(failed, [](const auto& error) {
                             return error && !isItemsOwn(error->code);
                         });

    // 5. Only then, originals to the Trash.
    for (std::size_t i = 0; i < copies.size() && run.moveToTrash; ++i) {
        const Candidate& item = itemOf(i);
        if (!identical[i])
            continue;
        run.meter.waitWhilePaused();
        stoppedRun = stoppedRun || run.stop.stop_requested();
        if (keepAll || stoppedRun) {
            failed[i] = stoppedRun ? stopped(item) : FsError{FsErrc::driveUntrusted, item.sourceURL()};
            continue;
        }
        if (auto trashed = fileSystem.trashItem(item.sourceURL(), copies[i].second.manifest); !trashed) {
            // An original changed since its copy is a failure of the item, not of the Trash.
            trashStep[i] = trashed.error().code != FsErrc::sourceChanged;
            failed[i] = trashed.error();
            continue;
        }
        ++end.trashed;
        end.trashedBytes += item.sizeBytes();
    }

    // 6. The drive as before, and the names that say what was not found identical.
    const bool writable = !restoreDrive(run.folders, run.claim, fileSystem, run.remount, reach) && !reach.lost;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        if (!identical[i] && writable && !run.driveGone)
            unnameAfterCheck(itemOf(i), folderOf(copies[i].second, run.folders), copies[i].second,
                             run.folders.rules.longestName, fileSystem);
        if (failed[i])
            fail(copies[i].first, *failed[i],
                 unnamed[i] ? ItemState::copiedNotChecked
                            : stateAfterCheck(*failed[i], identical[i], reach.lost.has_value()),
                 trashStep[i]);
    }
    return end;
}
