#include "transfer/run_check.h"

#include "transfer/copy_names.h"
#include "transfer/drive_reach.h"
#include "transfer/unique_destination.h"

#include <algorithm>

namespace {

// Failures that are the item's own doing (its original changed, could not
// be read, or the user stopped): every other failure of a read-back says
// the drive cannot be trusted with anything.
bool isItemsOwn(const std::error_code& code)
{
    return code == FsErrc::sourceChanged || code == FsErrc::changedSinceScan || code == FsErrc::sizeCheckFailed ||
           code == FsErrc::originalUnreadable || code == FsErrc::otherFileSystem ||
           code == std::errc::operation_canceled || code == FsErrc::notCheckedOnDrive || code == FsErrc::driveBusy ||
           code == FsErrc::deviceHeld || code == FsErrc::notFileOrFolder || code == FsErrc::isTheTrash ||
           code == FsErrc::onTheDestination || code == FsErrc::earlierCopyDiffers;
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

} // namespace

CheckEnd checkCopies(CheckRun& run, std::vector<RunItem>& items)
{
    const FileSystem& fileSystem = run.fileSystem;
    const auto total = std::int64_t(items.size());
    std::vector<RunItem*> copies; // on the drive, in item order
    for (RunItem& item : items) {
        if (item.going() && item.step == ItemStep::flushed)
            copies.push_back(&item);
    }
    for (RunItem* item : copies) {
        if (run.driveGone)
            item->fail(ItemStep::named, *run.driveGone);
    }

    // 1. Named.
    for (RunItem* item : copies) {
        if (!item->going() || run.stop.stop_requested())
            continue;
        if (auto named = nameForCheck(*item->item, folderOf(item->copy, run.folders), item->copy, fileSystem); named)
            item->reached(ItemStep::named);
        else
            item->fail(ItemStep::named, named.error());
    }

    // ... and the record naming them, on the drive too. What cannot be
    // recorded keeps every original.
    std::optional<RecordOnDrive> record;
    std::optional<FsError> recordFailure;
    std::vector<const RunItem*> named;
    for (const RunItem* item : copies) {
        if (item->step == ItemStep::named)
            named.push_back(item);
    }
    if (!named.empty() && run.writeRecord && !run.stop.stop_requested()) {
        auto written = run.writeRecord(named);
        if (written)
            record = std::move(written).value();
        else
            recordFailure = written.error();
    }

    // 2. The drive answering from itself.
    DriveReach reach;
    if (!run.driveGone && !run.stop.stop_requested() &&
        std::ranges::any_of(copies, [](const RunItem* item) { return item->step == ItemStep::named; }))
        reach = reachDrive(run.folders, run.claim, fileSystem, run.remount, [&] { run.meter.checkingDrive(); });

    // 3. Read back, every copy.
    bool stoppedRun = false;
    for (RunItem* item : copies) {
        const Candidate& candidate = *item->item;
        run.meter.waitWhilePaused();
        stoppedRun = stoppedRun || run.stop.stop_requested();
        if (item->going() && item->step == ItemStep::named && (stoppedRun || reach.lost))
            item->fail(ItemStep::readBack, stoppedRun ? stoppedError(candidate) : *reach.lost);
        if (!item->going() || item->step != ItemStep::named) {
            item->fail(ItemStep::named, stoppedError(candidate)); // (not named: the run stopped first)
            run.meter.skip(itemLength(candidate));
            continue;
        }
        run.meter.startPhase(std::int64_t(item->index) + 1, total, displayName(candidate), true, itemLength(candidate));
        const CopyCheck check = !reach.reached    ? CopyCheck::layout
                                : run.moveToTrash ? CopyCheck::contentsBeforeTrash
                                                  : CopyCheck::contents;
        const HeldFolder& folder = folderOf(item->copy, run.folders);
        auto verified = fileSystem.verifyCopy(candidate.sourceURL(), folder, item->copy.name, item->copy.manifest,
                                              check, run.stop, run.meter.counter());
        run.meter.endPhase();
        // An earlier run's copy unlike its original was changed, or its
        // original was: the copy's doing, not the drive's.
        if (!verified && !item->copy.earlierFolder.empty() && isVerificationFailure(verified.error().code) &&
            !isItemsOwn(verified.error().code))
            item->fail(ItemStep::readBack,
                       FsError{FsErrc::earlierCopyDiffers, verified.error().path, verified.error().relativePath});
        else if (!verified)
            item->fail(ItemStep::readBack, verified.error());
        else if (!reach.reached)
            item->fail(ItemStep::readBack, *reach.notReached);
        // A copy on a drive that has since gone, or in a folder removed
        // meanwhile, is no copy to rely on.
        else if (!fileSystem.stillAvailable(run.folders.destination) || !fileSystem.stillAvailable(folder))
            item->fail(ItemStep::readBack, FsError{FsErrc::destinationGone, folder.path()});
        else
            item->reached(ItemStep::readBack);
        stoppedRun = stoppedRun || (item->failure && item->failure->code == std::errc::operation_canceled);
    }

    if (record && reach.reached && !run.stop.stop_requested()) {
        auto verified = fileSystem.verifyCopy(record->source, run.folders.dated, record->name, record->manifest,
                                              CopyCheck::contents, run.stop, {});
        if (!verified && !isItemsOwn(verified.error().code))
            recordFailure = verified.error();
    }

    // 4. One verdict for the drive: any failure that is not an item's own
    // keeps every original; one where the drive gave back what it was not
    // given, or did not come back, is said first in the report.
    const auto readBackSaid = [&](auto&& said) {
        return std::ranges::any_of(copies, [&](const RunItem* item) {
            return item->failure && item->failedAt >= ItemStep::named && said(item->failure->code);
        });
    };
    CheckEnd end;
    const auto driveGaveBack = [](const std::error_code& code) {
        return code == FsErrc::readBackFailed || (isVerificationFailure(code) && !isItemsOwn(code));
    };
    end.driveFault = reach.lost.has_value() || readBackSaid(driveGaveBack) ||
                     (record && recordFailure && driveGaveBack(recordFailure->code));
    const bool keepAll =
        end.driveFault || recordFailure || readBackSaid([](const std::error_code& code) { return !isItemsOwn(code); });

    // 5. Only then, originals to the Trash.
    for (RunItem* item : copies) {
        const Candidate& candidate = *item->item;
        if (!run.moveToTrash || !item->going() || item->step != ItemStep::readBack)
            continue;
        run.meter.waitWhilePaused();
        stoppedRun = stoppedRun || run.stop.stop_requested();
        if (keepAll || stoppedRun) {
            item->fail(ItemStep::trashed, stoppedRun      ? stoppedError(candidate)
                                          : recordFailure ? *recordFailure
                                                          : FsError{FsErrc::driveUntrusted, candidate.sourceURL()});
            continue;
        }
        auto trashed = fileSystem.trashItem(candidate.sourceURL(), item->copy.manifest);
        if (!trashed) {
            // An original changed since its copy is a failure of the item, not of the Trash.
            item->trashRefused =
                trashed.error().code != FsErrc::sourceChanged && trashed.error().code != FsErrc::destinationGone;
            item->fail(ItemStep::trashed, trashed.error());
            continue;
        }
        item->trashedAs = std::move(trashed).value();
        item->reached(ItemStep::trashed);
        ++end.trashed;
        end.trashedBytes += candidate.sizeBytes();
    }

    // 6. The drive as before, and the names that say what was not found identical.
    const bool writable = !restoreDrive(run.folders, run.claim, fileSystem, run.remount, reach) && !reach.lost;
    for (RunItem* item : copies) {
        if (item->step < ItemStep::readBack && writable && !run.driveGone)
            unnameAfterCheck(*item->item, folderOf(item->copy, run.folders), item->copy, run.folders.rules.longestName,
                             fileSystem);
    }
    return end;
}
