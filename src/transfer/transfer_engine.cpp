#include "transfer/transfer_engine.h"

#include "fs/copy/drive_pacer.h"
#include "fs/drive/destination_rules.h"
#include "fs/error_description.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/risk_level.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "scan/candidate_scanner.h"
#include "transfer/earlier_copies.h"
#include "transfer/made_copy.h"
#include "transfer/pause_gate.h"
#include "transfer/run_check.h"
#include "transfer/run_folders.h"
#include "transfer/run_meter.h"
#include "transfer/unique_destination.h"

#include <algorithm>
#include <functional>

namespace fs = std::filesystem;

namespace {

FsError stopped(const Candidate& item)
{
    return FsError{systemError(ECANCELED), item.sourceURL()};
}

// The report's lines: the one place a run's failures become text.
QStringList failureLines(const std::vector<Candidate>& items, const TransferResult& result)
{
    QStringList lines;
    // (A drive another run holds is not a folder that could not be made.)
    if (const auto& failed = result.destinationFailed)
        lines.append(failed->code == FsErrc::driveInUse
                         ? describeError(*failed)
                         : formatText(I18n::text("transfer.createDestinationFailed"), {describeError(*failed)}));
    for (const ItemFailure& failure : result.failedItems) {
        const Candidate& item = items[failure.item];
        const QString reason = failure.trashStep ? trashStepFailure(failure.error.code) : describeError(failure.error);
        lines.append(formatText(I18n::text("failure.item"), {item.rootName() + u'/' + displayName(item), item.kind(),
                                                             adviceText(item.risk()), reason}));
    }
    return lines;
}
// An item that changed since the scan (still being downloaded, say) is not
// what the user chose to move. The scan's fingerprint is compared where
// there is one, else the size the scan measured.
FsResult<void> unchangedSinceScan(const Candidate& item, const FileSystem& fileSystem, const std::stop_token& stop)
{
    const fs::path& source = item.sourceURL();
    if (const auto& scanned = item.fingerprint()) {
        const ItemMeasure now = measureItem(source, fileSystem, stop);
        if (stop.stop_requested())
            return stopped(item);
        if (now.fingerprint != *scanned)
            return FsError{FsErrc::changedSinceScan, source};
    } else if (item.sizeBytes() > 0 && itemSize(source, fileSystem, stop) != item.sizeBytes()) {
        return FsError{FsErrc::sizeCheckFailed, source};
    }
    return {};
}

// An earlier run's whole copy taken for the item: nothing is written, the
// original is read and hashed as a copy would hash it, for the same check.
FsResult<void> useEarlierCopy(const Candidate& item, const EarlierCopy& earlier, const fs::path& to,
                              RunFolders& folders, const FileSystem& fileSystem, const std::stop_token& stop,
                              RunMeter& meter, MadeCopy& made)
{
    if (auto unchanged = unchangedSinceScan(item, fileSystem, stop); !unchanged)
        return unchanged;
    const fs::path copy = earlier.folder / earlier.name;
    if (isInside(copy, item.sourceURL(), fileSystem) || isInside(item.sourceURL(), copy, fileSystem))
        return FsError{FsErrc::copyIntoItself, item.sourceURL()};
    const std::string key = earlier.folder.lexically_relative(to).native();
    if (!folders.earlier.contains(key)) {
        auto held = fileSystem.holdFolder(earlier.folder);
        if (!held)
            return held.error();
        if (held.value().device() != folders.destination.device())
            return FsError{FsErrc::notARealFolder, earlier.folder};
        folders.earlier.emplace(key, held.value());
    }
    auto recorded = fileSystem.recordItem(item.sourceURL(), CopyOptions{true, stop, meter.counter()});
    if (!recorded)
        return recorded.error();
    made.manifest = std::move(recorded).value();
    made.earlierFolder = key;
    made.earlierRun = earlier.run;
    made.name = earlier.name;
    made.named = !isUncheckedName(earlier.name);
    return {};
}

// Checks an item against the destination and the scan, then copies it under
// a temporary name and, complete, gives it the name of a copy waiting for
// its check, filling in `made`.
FsResult<void> copyItemToDrive(const Candidate& item, RunFolders& folders, const FileSystem& fileSystem,
                               const std::stop_token& stop, RunMeter& meter, DrivePacer* pacer, MadeCopy& made)
{
    const fs::path& source = item.sourceURL();
    made.rootFolder = folderComponent(item.rootName());
    if (isInside(folders.dated.path() / made.rootFolder, source, fileSystem))
        return FsError{FsErrc::copyIntoItself, source};
    // What the destination cannot hold is refused before anything of the
    // item is written, not after an hour of copying.
    if (const auto problem = nameProblem(made.rootFolder, folders.rules))
        return FsError{*problem, source};
    if (auto fits = fileSystem.checkItemFits(source, lastPathComponent(source), folders.rules, folders.dated); !fits)
        return fits;
    if (auto unchanged = unchangedSinceScan(item, fileSystem, stop); !unchanged)
        return unchanged;
    // Held before the copy starts: flushing through it reports every
    // write-back error of the drive since.
    const auto perRoot = perRootFolder(folders, made.rootFolder, fileSystem);
    if (!perRoot)
        return perRoot.error();
    const HeldFolder& folder = perRoot.value();

    // A copy cut short must not pass for one: it is made under a hidden
    // name and gets its own only once checked. (Not a folder where renaming
    // one loses its contents: fusefat's FAT32.)
    const auto values = fileSystem.itemValues(source);
    const std::string name = lastPathComponent(source);
    made.named = !folders.rules.folderRenameKeepsContents && values && values.value().isDirectory();
    const std::string unfinished = made.named ? uniqueNameIn(folder, name, fileSystem)
                                              : unfinishedNameIn(folder, name, folders.rules.longestName, fileSystem);
    const auto copied =
        fileSystem.copyItem(source, folder, unfinished, CopyOptions{true, stop, meter.counter(), pacer});
    if (!copied) {
        // A stopped copy is removed; a failed one stays, as evidence. One
        // that cannot be removed is named, as it stays on the drive.
        if (copied.error().code == std::errc::operation_canceled &&
            !fileSystem.removeUnfinishedCopy(folder, unfinished))
            return FsError{FsErrc::unfinishedCopyLeft, folder.path() / unfinished, unfinished};
        return copied.error();
    }
    made.manifest = copied.value();
    made.name = unfinished;
    if (made.named)
        return {};
    auto unchecked = renameToFreeName(
        folder, unfinished, [&] { return uncheckedNameIn(folder, name, folders.rules.longestName, fileSystem); },
        fileSystem);
    if (!unchecked)
        return unchecked.error();
    made.name = unchecked.value();
    return {};
}

// The run's own folders that hold nothing at its end go again: a stopped
// or failed run leaves no empty dated folder behind. True when the dated
// folder this run made stays, holding something (a failed copy kept as
// evidence, at least).
bool removeEmptyRunFolders(const RunFolders& folders, const FileSystem& fileSystem)
{
    for (const std::string& name : folders.rootsMade) {
        if (const auto held = folders.perRoot.find(name); held != folders.perRoot.end())
            fileSystem.removeEmptyFolder(held->second);
    }
    return folders.datedMade && folders.dated.valid() && !fileSystem.removeEmptyFolder(folders.dated) &&
           fileSystem.stillAvailable(folders.dated);
}

} // namespace

TransferResult transfer(const std::vector<Candidate>& items, const fs::path& to, bool moveOriginalsToTrash,
                        const TransferProgress& progress, const FileSystem& fileSystem)
{
    return transfer(items, to, moveOriginalsToTrash, progress, fileSystem, QDateTime::currentDateTime());
}

TransferResult transfer(const std::vector<Candidate>& items, const fs::path& to, bool moveOriginalsToTrash,
                        const TransferProgress& progress, const FileSystem& fileSystem, const QDateTime& startTime,
                        std::stop_token stop, const ItemProgressCallback& itemProgress, const PauseGate* pause,
                        const DriveRemount* remount, const EarlierCopies* earlier)
{
    // Qt formats with the C locale here: ASCII digits whatever the user's locale.
    const QString stamp = startTime.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    TransferResult result;
    result.states.assign(items.size(), moveOriginalsToTrash ? ItemState::moved : ItemState::copied);
    const std::string loftwell = folderComponent(I18n::text("transfer.folder"));
    result.destination = to / loftwell / pathFromText(stamp);
    // One run at a time on a drive: nothing of another may land on it while
    // this one checks it, nor in the bare folder it leaves while unmounted.
    // (A destination that cannot be held fails as it does below.)
    DriveClaim claim;
    FsResult<void> claimed;
    if (const auto destination = fileSystem.holdFolder(to))
        claimed = fileSystem.claimDrive(destination.value(), claim);
    auto held = claimed ? holdRunFolders(to, loftwell, pathFromText(stamp).native(), fileSystem)
                        : FsResult<RunFolders>(claimed.error());
    if (!held) {
        result.destinationFailed = held.error();
        result.states.assign(items.size(), ItemState::notCopied);
        result.failures = failureLines(items, result);
        return result;
    }
    RunFolders folders = std::move(held).value();
    fileSystem.claimRunFolder(folders.dated);
    if (earlier)
        removeLeftUnfinished(*earlier, folders.destination.device(), fileSystem);
    result.earlierRuns.resize(items.size());
    std::vector<bool> usedEarlier(items.size()); // what this run wrote is in its own dated folder, the rest is not
    const auto total = std::int64_t(items.size());
    std::int64_t itemBytes = 0;
    for (const Candidate& item : items)
        itemBytes += itemLength(item);
    RunMeter meter(itemProgress, itemBytes, 2, pause, stop);
    // A drive whose write-back the kernel cannot steer (a driver in user
    // space) gets its copies at its own pace: progress, a pause and a stop
    // follow the drive, not the computer's memory.
    std::optional<DrivePacer> pacer;
    if (fileSystem.driveAccess(folders.dated).userSpaceDriver)
        pacer.emplace([pause] { return pause && pause->paused(); });
    const auto fail = [&](std::int64_t index, FsError error, ItemState state, bool trashStep = false) {
        result.failedItems.push_back({std::size_t(index), std::move(error), trashStep, state});
        result.states[std::size_t(index)] = state;
    };
    const FsError gone{FsErrc::destinationGone, folders.destination.path()};
    // Once the drive is gone, every later item fails at once for that reason.
    bool destinationGone = false;
    // Whatever an item met while its drive went away, that is the reason;
    // and a copy whose drive went during it is not reported as made.
    const auto driveWentAway = [&](FsResult<void>& outcome) {
        if (!destinationGone && !fileSystem.stillAvailable(folders.destination)) {
            destinationGone = true;
            outcome = gone;
        }
    };
    // Stopped: no later item starts, and none is taken for done.
    const auto stoppedHere = [&](std::int64_t index, std::int64_t phasesLeft) {
        meter.waitWhilePaused();
        if (!stop.stop_requested())
            return false;
        fail(index, stopped(items[std::size_t(index)]),
             phasesLeft == 2 ? ItemState::notCopied : ItemState::copiedNotChecked);
        meter.skip(itemLength(items[std::size_t(index)]), int(phasesLeft));
        return true;
    };

    // Every item copied in turn.
    std::vector<std::pair<std::int64_t, MadeCopy>> made;
    for (std::int64_t index = 0; index < total; ++index) {
        const Candidate& item = items[std::size_t(index)];
        if (stoppedHere(index, 2))
            continue;
        const QString name = displayName(item);
        if (progress)
            progress(index + 1, total, name);
        meter.startPhase(index + 1, total, name, false, itemLength(item));
        destinationGone = destinationGone || !fileSystem.stillAvailable(folders.destination);
        MadeCopy copy;
        const auto* use = earlier && std::size_t(index) < earlier->items.size() && earlier->items[std::size_t(index)]
                              ? &*earlier->items[std::size_t(index)]
                              : nullptr;
        // A folder not yet checked would have to be renamed, which empties
        // it on some drives (fusefat): copied again there instead.
        if (use && isUncheckedName(use->name) && !folders.rules.folderRenameKeepsContents) {
            const auto values = fileSystem.itemValues(item.sourceURL());
            if (!values || values.value().isDirectory())
                use = nullptr;
        }
        FsResult<void> outcome =
            destinationGone ? FsResult<void>(gone)
            : use           ? useEarlierCopy(item, *use, to, folders, fileSystem, stop, meter, copy)
                            : copyItemToDrive(item, folders, fileSystem, stop, meter, pacer ? &*pacer : nullptr, copy);
        driveWentAway(outcome);
        meter.endPhase();
        if (outcome) {
            usedEarlier[std::size_t(index)] = use != nullptr;
            result.earlierRuns[std::size_t(index)] = copy.earlierRun;
            made.emplace_back(index, std::move(copy));
            continue;
        }
        fail(index, outcome.error(), ItemState::notCopied);
        meter.skip(itemLength(item));
    }

    // All written: every copy put on the drive before any is read back.
    if (!made.empty())
        meter.flushing();
    std::vector<std::pair<std::int64_t, MadeCopy>> flushed;
    for (auto& [index, copy] : made) {
        if (stoppedHere(index, 1))
            continue;
        FsResult<void> outcome =
            destinationGone ? FsResult<void>(gone) : fileSystem.flushCopy(folderOf(copy, folders), copy.name);
        if (!outcome)
            driveWentAway(outcome);
        if (outcome) {
            flushed.emplace_back(index, std::move(copy));
            continue;
        }
        fail(index, outcome.error(), ItemState::notCopied);
        meter.skip(itemLength(items[std::size_t(index)]));
    }
    CheckRun check{items,      folders, claim,
                   fileSystem, remount, moveOriginalsToTrash,
                   stop,       meter,   destinationGone ? std::optional<FsError>(gone) : std::nullopt};
    const CheckEnd checked =
        checkCopies(check, flushed, [&](std::int64_t index, FsError error, ItemState state, bool trashStep) {
            const bool ofTheTrash = trashStep && error.code != FsErrc::destinationGone;
            fail(index, std::move(error), state, ofTheTrash);
        });
    result.trashed = checked.trashed;
    result.trashedBytes = checked.trashedBytes;
    result.driveFault = checked.driveFault;
    // The drive was mounted again elsewhere for the check.
    if (folders.dated.valid() && folders.dated.path() != result.destination) {
        result.destination = folders.dated.path();
        result.destinationMoved = folders.destination.path();
    }
    result.stopped = stop.stop_requested();
    // The folder is named where it holds a copy, or what a failed one left.
    const bool kept = removeEmptyRunFolders(folders, fileSystem);
    result.savedCopies = kept;
    for (std::size_t i = 0; i < items.size(); ++i)
        result.savedCopies = result.savedCopies || (result.states[i] != ItemState::notCopied && !usedEarlier[i]);
    std::stable_sort(result.failedItems.begin(), result.failedItems.end(),
                     [](const ItemFailure& a, const ItemFailure& b) { return a.item < b.item; });
    result.failures = failureLines(items, result);
    for (std::size_t i = 0; i < items.size(); ++i) {
        // Where an item's copy is, whatever became of its original.
        if (result.states[i] == ItemState::notCopied)
            result.earlierRuns[i].clear();
        if (!result.earlierRuns[i].empty())
            result.earlierCopyLines.append(
                formatText(I18n::text("report.earlierCopy"), {items[i].rootName() + u'/' + displayName(items[i]),
                                                              QString::fromStdString(result.earlierRuns[i])}));
    }
    return result;
}
