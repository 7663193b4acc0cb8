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
#include "transfer/copy_names.h"
#include "transfer/earlier_copies.h"
#include "transfer/item_copy.h"
#include "transfer/made_copy.h"
#include "transfer/pause_gate.h"
#include "transfer/run_check.h"
#include "transfer/run_folders.h"
#include "transfer/run_item.h"
#include "transfer/run_meter.h"
#include "transfer/run_record.h"
#include "transfer/unique_destination.h"

#include <QDir>
#include <QSysInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <functional>
#include <memory>

namespace fs = std::filesystem;

namespace {

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
// The run's own folders that hold nothing at its end go again: a stopped
// or failed run leaves no empty dated folder behind. True when the dated
// folder this run made stays, holding something (a failed copy kept as
// evidence, at least).
bool removeEmptyRunFolders(const RunFolders& folders, const FileSystem& fileSystem)
{
    bool rootsGone = true;
    for (const std::string& name : folders.rootsMade) {
        if (const auto held = folders.perRoot.find(name); held != folders.perRoot.end())
            rootsGone = fileSystem.removeEmptyFolder(held->second) && rootsGone;
    }
    if (!folders.datedMade || !folders.dated.valid())
        return false;
    // Removed where empty; its record alone (a run that only took earlier
    // copies) keeps it, but is no copy.
    if (rootsGone) {
        (void)fileSystem.removeEmptyFolder(folders.dated);
        return false;
    }
    return fileSystem.stillAvailable(folders.dated);
}

// The run's record of the items named, written to a file of its own on the
// computer and copied from there onto the drive like an item, so that the
// check reads it back like one.
FsResult<RecordOnDrive> writeRunRecord(const std::vector<const RunItem*>& named, const RunFolders& folders,
                                       const QDateTime& startTime, const FileSystem& fileSystem,
                                       const std::stop_token& stop, std::shared_ptr<QTemporaryFile>& file,
                                       std::optional<RunRecord>& written)
{
    RunRecord record;
    record.started = startTime;
    record.computer = QSysInfo::machineHostName();
    record.user = qEnvironmentVariable("USER");
    const fs::path runs = folders.dated.path().parent_path();
    std::vector<const CopyManifest*> manifests;
    for (const RunItem* item : named) {
        manifests.push_back(&item->copy.manifest);
        const fs::path copy = folderOf(item->copy, folders).path() / item->copy.name;
        record.items.push_back(recordedItem(item->item->sourceURL(), item->item->rootName(),
                                            copy.lexically_relative(runs).native(), item->item->sizeBytes(),
                                            item->copy.manifest));
    }
    file = std::make_shared<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/loftwell-run-XXXXXX.json"));
    bool saved = file->open();
    if (saved) {
        JsonWriter json(*file);
        writeRunRecord(json, record, manifests);
        saved = json.finish() && file->flush();
    }
    if (!saved)
        return FsError{systemError(EIO), pathFromText(file->fileName())};
    const fs::path source = pathFromText(file->fileName());
    const std::string name = uniqueNameIn(folders.dated, ".loftwell-run.json", fileSystem);
    auto copied = fileSystem.copyItem(source, folders.dated, name, CopyOptions{true, stop});
    if (!copied)
        return copied.error();
    if (auto flushed = fileSystem.flushCopy(folders.dated, name); !flushed)
        return flushed.error();
    written = std::move(record);
    return RecordOnDrive{source, name, std::move(copied).value()};
}

// The result, made from every item's record at the end of the run.
void recordEnds(const std::vector<Candidate>& items, const std::vector<RunItem>& run, bool moveOriginalsToTrash,
                TransferResult& result)
{
    const ItemStep asked = moveOriginalsToTrash ? ItemStep::trashed : ItemStep::readBack;
    for (const RunItem& item : run) {
        ItemState state = endState(item);
        // Short of what was asked with no reason given: never taken for done.
        FsError failure = item.failure.value_or(FsError{systemError(ENOTRECOVERABLE), item.item->sourceURL()});
        if (item.step != asked || item.failure)
            result.failedItems.push_back({item.index, std::move(failure), item.trashRefused, state});
        result.states.push_back(state);
        result.trashedAs.push_back(item.trashedAs);
        // Where an item's copy is, whatever became of its original.
        const std::string& earlierRun = state == ItemState::notCopied ? std::string() : item.copy.earlierRun;
        result.earlierRuns.push_back(earlierRun);
        if (!earlierRun.empty())
            result.earlierCopyLines.append(formatText(
                I18n::text("report.earlierCopy"), {items[item.index].rootName() + u'/' + displayName(items[item.index]),
                                                   displayText(result.destination.parent_path() / earlierRun)}));
        result.savedCopies = result.savedCopies || (state != ItemState::notCopied && item.copy.earlierFolder.empty());
    }
    result.failures = failureLines(items, result);
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
        result.earlierRuns.resize(items.size());
        result.trashedAs.resize(items.size());
        result.failures = failureLines(items, result);
        return result;
    }
    RunFolders folders = std::move(held).value();
    // Claimed, this run's unfinished copies are not taken for a dead run's;
    // unclaimed, it takes no other run's for dead either.
    if (fileSystem.claimRunFolder(folders.dated) && earlier)
        removeLeftUnfinished(*earlier, folders.destination.device(), fileSystem);

    // Every item with its earlier copy, where one is to be taken.
    std::vector<RunItem> run(items.size());
    std::int64_t itemBytes = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        run[i].index = i;
        run[i].item = &items[i];
        run[i].earlier = earlier ? earlier->of(items[i].sourceURL()) : nullptr;
        itemBytes += itemLength(items[i]);
    }
    const auto total = std::int64_t(items.size());
    RunMeter meter(itemProgress, itemBytes, 2, pause, stop);
    // A drive whose write-back the kernel cannot steer (a driver in user
    // space) gets its copies at its own pace: progress, a pause and a stop
    // follow the drive, not the computer's memory.
    std::optional<DrivePacer> pacer;
    if (fileSystem.driveAccess(folders.dated).userSpaceDriver)
        pacer.emplace([pause] { return pause && pause->paused(); });
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
    const auto stoppedHere = [&](RunItem& item, ItemStep at, int phasesLeft) {
        meter.waitWhilePaused();
        if (!stop.stop_requested())
            return false;
        item.fail(at, stoppedError(*item.item));
        meter.skip(itemLength(*item.item), phasesLeft);
        return true;
    };

    // 1. Every item written in turn, or its earlier copy taken.
    for (RunItem& item : run) {
        const Candidate& candidate = *item.item;
        if (stoppedHere(item, ItemStep::written, 2))
            continue;
        const QString name = displayName(candidate);
        const auto index = std::int64_t(item.index);
        if (progress)
            progress(index + 1, total, name);
        meter.startPhase(index + 1, total, name, false, itemLength(candidate));
        destinationGone = destinationGone || !fileSystem.stillAvailable(folders.destination);
        // A folder not yet checked would have to be renamed, which empties
        // it on some drives (fusefat): copied again there instead.
        if (item.earlier && isUncheckedName(item.earlier->name) && !folders.rules.folderRenameKeepsContents) {
            const auto values = fileSystem.itemValues(candidate.sourceURL());
            if (!values || values.value().isDirectory())
                item.earlier = nullptr;
        }
        FsResult<void> outcome =
            destinationGone ? FsResult<void>(gone)
            : item.earlier
                ? useEarlierCopy(candidate, *item.earlier, to, folders, fileSystem, stop, meter, item.copy)
                : copyItemToDrive(candidate, folders, fileSystem, stop, meter, pacer ? &*pacer : nullptr, item.copy);
        driveWentAway(outcome);
        meter.endPhase();
        if (outcome) {
            item.reached(ItemStep::written);
            continue;
        }
        item.fail(ItemStep::written, outcome.error());
        meter.skip(itemLength(candidate));
    }

    // 2. All written: every copy put on the drive before any is read back.
    if (std::ranges::any_of(run, [](const RunItem& item) { return item.step == ItemStep::written; }))
        meter.flushing();
    for (RunItem& item : run) {
        if (item.step != ItemStep::written || !item.going() || stoppedHere(item, ItemStep::flushed, 1))
            continue;
        FsResult<void> outcome =
            destinationGone ? FsResult<void>(gone) : fileSystem.flushCopy(folderOf(item.copy, folders), item.copy.name);
        if (!outcome)
            driveWentAway(outcome);
        if (outcome) {
            item.reached(ItemStep::flushed);
            continue;
        }
        item.fail(ItemStep::flushed, outcome.error());
        meter.skip(itemLength(*item.item));
    }

    // 3. Named, read back from the drive itself, one verdict, and only then
    // the originals to the Trash.
    std::shared_ptr<QTemporaryFile> recordFile; // the record's source, read back, then kept for the history
    CheckRun check{folders,
                   claim,
                   fileSystem,
                   remount,
                   moveOriginalsToTrash,
                   stop,
                   meter,
                   destinationGone ? std::optional<FsError>(gone) : std::nullopt,
                   [&](const std::vector<const RunItem*>& named) {
                       return writeRunRecord(named, folders, startTime, fileSystem, stop, recordFile, result.record);
                   }};
    const CheckEnd checked = checkCopies(check, run);
    result.trashed = checked.trashed;
    result.trashedBytes = checked.trashedBytes;
    result.driveFault = checked.driveFault;
    if (result.record)
        result.recordFile = recordFile;
    // The drive was mounted again elsewhere for the check.
    if (folders.dated.valid() && folders.dated.path() != result.destination) {
        result.destination = folders.dated.path();
        result.destinationMoved = folders.destination.path();
    }
    result.stopped = stop.stop_requested();
    // The folder is named where it holds a copy, or what a failed one left.
    result.savedCopies = removeEmptyRunFolders(folders, fileSystem);
    recordEnds(items, run, moveOriginalsToTrash, result);
    return result;
}
