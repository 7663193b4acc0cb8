#include "transfer/transfer_engine.h"

#include "fs/destination_rules.h"
#include "fs/error_description.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/risk_level.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "scan/candidate_scanner.h"
#include "transfer/pause_gate.h"
#include "transfer/unique_destination.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>

namespace fs = std::filesystem;

double ItemProgress::runFraction() const
{
    return runBytesTotal > 0 ? std::clamp(double(runBytesDone) / double(runBytesTotal), 0.0, 1.0) : 0.0;
}

namespace {

FsError stopped(const Candidate& item)
{
    return FsError{systemError(ECANCELED), item.sourceURL()};
}

// The item's name as the report shows it.
QString displayName(const Candidate& item)
{
    return displayText(std::string_view(lastPathComponent(item.sourceURL())));
}

// The report's lines: the one place a run's failures become text.
QStringList failureLines(const std::vector<Candidate>& items, const TransferResult& result)
{
    QStringList lines;
    if (result.destinationFailed)
        lines.append(
            formatText(I18n::text("transfer.createDestinationFailed"), {result.destinationFailed->description()}));
    for (const ItemFailure& failure : result.failedItems) {
        const Candidate& item = items[failure.item];
        const QString reason = failure.trashStep ? trashStepFailure(failure.error.code) : failure.error.description();
        lines.append(formatText(I18n::text("failure.item"), {item.rootName() + u'/' + displayName(item), item.kind(),
                                                             adviceText(item.risk()), reason}));
    }
    return lines;
}

// The folders of one run, held open: everything is made through them, so
// it lands on the drive the user chose or fails.
struct RunFolders {
    HeldFolder destination;
    HeldFolder dated;
    DestinationRules rules; // what the destination can hold
    // Made as the first item of each root needs it, then held for the run
    // (with the Trash, every copy waits in one until it is read back).
    std::map<std::string, HeldFolder> perRoot;
};

// A copy made and named, waiting to be checked.
struct MadeCopy {
    HeldFolder folder; // its per-root folder, held since before the copy
    std::string name;
    CopyManifest manifest;
};

// The length an item is expected to have, for progress.
std::int64_t itemLength(const Candidate& item)
{
    return std::max<std::int64_t>(0, item.fingerprint() ? item.fingerprint()->lengthBytes : item.sizeBytes());
}

// Progress through the run in bytes, passed on at most every 50 ms (the
// copier reports from two threads, chunk by chunk). Each phase of an item
// moves the run on by the item's length, however it ends.
class RunMeter {
public:
    RunMeter(const ItemProgressCallback& callback, std::int64_t itemBytes, int phases, const PauseGate* pause,
             const std::stop_token& stop)
        : callback_(callback), pause_(pause), stop_(stop)
    {
        item_.runItemBytes = itemBytes;
        item_.runBytesTotal = itemBytes * phases;
    }

    void startPhase(std::int64_t index, std::int64_t total, const QString& name, bool verifying, bool verifiesContents,
                    std::int64_t length)
    {
        std::lock_guard lock(mutex_);
        item_.index = index;
        item_.total = total;
        item_.name = name;
        item_.verifying = verifying;
        item_.verifiesContents = verifiesContents;
        item_.bytesDone = 0;
        item_.bytesTotal = length;
        phaseStart_ = item_.runBytesDone;
        sendLocked();
    }

    void endPhase()
    {
        std::lock_guard lock(mutex_);
        item_.runBytesDone = phaseStart_ + item_.bytesTotal;
    }

    // An item's phase that will not run (it failed before it).
    void skip(std::int64_t length)
    {
        std::lock_guard lock(mutex_);
        item_.runBytesDone += length;
        item_.runBytesSkipped += length;
    }

    ByteCounter counter()
    {
        if (!callback_ && !pause_)
            return {};
        // Called between chunks: where a paused run waits.
        return [this](std::int64_t bytes) {
            add(bytes);
            waitWhilePaused();
        };
    }

    void waitWhilePaused()
    {
        if (!pause_ || !pause_->paused())
            return;
        const auto start = std::chrono::steady_clock::now();
        {
            std::lock_guard lock(mutex_);
            sendLocked(); // a paused run shows where it stands, not its last report
        }
        pause_->waitWhilePaused(stop_);
        std::lock_guard lock(mutex_);
        paused_ += std::chrono::steady_clock::now() - start;
    }

private:
    void add(std::int64_t bytes)
    {
        std::lock_guard lock(mutex_);
        item_.bytesDone += bytes; // hidden files are copied too: may pass the scan's total
        item_.runBytesDone = phaseStart_ + std::min(item_.bytesDone, item_.bytesTotal);
        if (std::chrono::steady_clock::now() - sent_ >= std::chrono::milliseconds(50))
            sendLocked();
    }

    void sendLocked()
    {
        sent_ = std::chrono::steady_clock::now();
        item_.runSeconds = std::chrono::duration<double>(sent_ - start_ - paused_).count();
        if (callback_)
            callback_(item_);
    }

    const ItemProgressCallback& callback_;
    const PauseGate* pause_;
    const std::stop_token& stop_;
    std::mutex mutex_;
    ItemProgress item_;
    std::int64_t phaseStart_ = 0;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration paused_{};
    std::chrono::steady_clock::time_point sent_;
};

// Checks an item against the destination and the scan, then copies it under
// a temporary name and gives it its own, filling in `made`.
FsResult<void> copyItemToDrive(const Candidate& item, RunFolders& folders, bool hashContents,
                               const FileSystem& fileSystem, const std::stop_token& stop, RunMeter& meter,
                               MadeCopy& made)
{
    const fs::path& source = item.sourceURL();
    const std::string rootFolder = folderComponent(item.rootName());
    if (isInside(folders.dated.path() / rootFolder, source, fileSystem))
        return FsError{FsErrc::copyIntoItself, source};
    // What the destination cannot hold is refused before anything of the
    // item is written, not after an hour of copying.
    if (const auto problem = nameProblem(rootFolder, folders.rules))
        return FsError{*problem, source};
    if (auto fits = fileSystem.checkItemFits(source, lastPathComponent(source), folders.rules, folders.dated); !fits)
        return fits;
    // An item that changed since the scan (still being downloaded, say) is
    // not what the user chose to move. The scan's fingerprint is compared
    // where there is one, else the size the scan measured.
    if (const auto& scanned = item.fingerprint()) {
        const ItemMeasure now = measureItem(source, fileSystem, stop);
        if (stop.stop_requested())
            return stopped(item);
        if (now.fingerprint != *scanned)
            return FsError{FsErrc::changedSinceScan, source};
    } else if (item.sizeBytes() > 0 && itemSize(source, fileSystem, stop) != item.sizeBytes()) {
        return FsError{FsErrc::sizeCheckFailed, source};
    }
    // Held before the copy starts: flushing through it reports every
    // write-back error of the drive since.
    if (const auto held = folders.perRoot.find(rootFolder); held != folders.perRoot.end()) {
        made.folder = held->second;
    } else {
        auto perRoot = fileSystem.holdSubfolder(folders.dated, rootFolder);
        if (!perRoot)
            return perRoot.error();
        made.folder = folders.perRoot.emplace(rootFolder, perRoot.value()).first->second;
    }

    // A copy cut short must not pass for one: it is made under a hidden
    // name and gets its own only when complete. (Not a folder where renaming
    // one loses its contents: fusefat's FAT32.)
    const auto values = fileSystem.itemValues(source);
    const bool renameAfter = folders.rules.folderRenameKeepsContents || !values || !values.value().isDirectory();
    const std::string unfinished =
        renameAfter ? unfinishedNameIn(made.folder, lastPathComponent(source), folders.rules.longestName, fileSystem)
                    : uniqueNameIn(made.folder, lastPathComponent(source), fileSystem);
    const auto copied =
        fileSystem.copyItem(source, made.folder, unfinished, CopyOptions{hashContents, stop, meter.counter()});
    if (!copied) {
        // A stopped copy is removed; a failed one stays, as evidence.
        if (copied.error().code == std::errc::operation_canceled)
            fileSystem.removeUnfinishedCopy(made.folder, unfinished);
        return copied.error();
    }
    made.manifest = copied.value();
    if (!renameAfter) {
        made.name = unfinished;
        return {};
    }
    // Another run in the same second may have taken the name meanwhile.
    FsResult<void> named = FsError{};
    for (int attempt = 0; attempt < 3; ++attempt) {
        made.name = uniqueNameIn(made.folder, lastPathComponent(source), fileSystem);
        named = fileSystem.renameCopy(made.folder, unfinished, made.name);
        if (named || named.error().code != std::errc::file_exists)
            break;
    }
    return named;
}

// Where originals stay: the copy is put on the drive and checked, and only
// then done.
FsResult<void> finishCopy(const Candidate& item, const MadeCopy& made, const FileSystem& fileSystem,
                          const std::stop_token& stop)
{
    if (auto flushed = fileSystem.flushCopy(made.folder, made.name); !flushed)
        return flushed;
    if (auto verified = fileSystem.verifyCopy(item.sourceURL(), made.folder, made.name, made.manifest, false, stop);
        !verified)
        return verified;
    // A copy in a folder removed meanwhile is on no drive the user can see.
    if (!fileSystem.stillAvailable(made.folder))
        return FsError{FsErrc::destinationGone, made.folder.path()};
    return {};
}

// Once every copy is written: the copy is put on the drive, read back from
// it and compared, and the original, checked once more, goes to the Trash.
// `trashStep` tells a failure of that last move from the others.
FsResult<void> verifyAndTrash(const Candidate& item, const MadeCopy& made, const RunFolders& folders,
                              const FileSystem& fileSystem, const std::stop_token& stop, RunMeter& meter,
                              bool& trashStep)
{
    if (auto flushed = fileSystem.flushCopy(made.folder, made.name); !flushed)
        return flushed;
    if (auto verified =
            fileSystem.verifyCopy(item.sourceURL(), made.folder, made.name, made.manifest, true, stop, meter.counter());
        !verified)
        return verified;
    if (stop.stop_requested())
        return stopped(item);
    // A copy on a drive that has since gone, or in a folder removed
    // meanwhile, is no copy to rely on.
    if (!fileSystem.stillAvailable(folders.destination) || !fileSystem.stillAvailable(made.folder))
        return FsError{FsErrc::destinationGone, made.folder.path()};
    if (auto trashed = fileSystem.trashItem(item.sourceURL(), made.manifest); !trashed) {
        // An original changed since its copy is a failure of the item, not of the Trash.
        trashStep = trashed.error().code != FsErrc::sourceChanged;
        return trashed.error();
    }
    return {};
}

// The run's folders, made or reused below `to` as real folders on its drive.
FsResult<RunFolders> holdRunFolders(const fs::path& to, const std::string& stamp, const FileSystem& fileSystem)
{
    auto destination = fileSystem.holdFolder(to);
    if (!destination) {
        if (destination.error().code == std::errc::no_such_file_or_directory)
            return FsError{FsErrc::destinationMissing, to};
        return destination.error();
    }
    auto loftwell = fileSystem.holdSubfolder(destination.value(), folderComponent(I18n::text("transfer.folder")));
    if (!loftwell)
        return loftwell.error();
    auto dated = fileSystem.holdSubfolder(loftwell.value(), stamp);
    if (!dated)
        return dated.error();
    return RunFolders{destination.value(), dated.value(), fileSystem.destinationRules(dated.value()), {}};
}

} // namespace

std::string folderComponent(const QString& text)
{
    std::string component = pathFromText(text).native();
    for (char& c : component) {
        if (c == '/')
            c = '_';
    }
    if (component.empty() || component == "." || component == "..")
        component = "_" + component;
    return component;
}

bool isInside(const fs::path& destination, const fs::path& item, const FileSystem& fileSystem)
{
    const std::string inner = fileSystem.resolvedPath(destination).native();
    const std::string outer = fileSystem.resolvedPath(item).native();
    if (inner == outer)
        return true;
    return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
           (outer == "/" || inner[outer.size()] == '/');
}

TransferResult transfer(const std::vector<Candidate>& items, const fs::path& to, bool moveOriginalsToTrash,
                        const TransferProgress& progress, const FileSystem& fileSystem)
{
    return transfer(items, to, moveOriginalsToTrash, progress, fileSystem, QDateTime::currentDateTime());
}

TransferResult transfer(const std::vector<Candidate>& items, const fs::path& to, bool moveOriginalsToTrash,
                        const TransferProgress& progress, const FileSystem& fileSystem, const QDateTime& startTime,
                        std::stop_token stop, const ItemProgressCallback& itemProgress, const PauseGate* pause)
{
    // Qt formats with the C locale here: ASCII digits whatever the user's locale.
    const QString stamp = startTime.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    TransferResult result;
    result.destination = to / folderComponent(I18n::text("transfer.folder")) / pathFromText(stamp);
    const auto held = holdRunFolders(to, pathFromText(stamp).native(), fileSystem);
    if (!held) {
        result.destinationFailed = held.error();
        result.failures = failureLines(items, result);
        return result;
    }
    RunFolders folders = held.value();
    const auto total = std::int64_t(items.size());
    const int phases = moveOriginalsToTrash ? 2 : 1;
    std::int64_t itemBytes = 0;
    for (const Candidate& item : items)
        itemBytes += itemLength(item);
    RunMeter meter(itemProgress, itemBytes, phases, pause, stop);
    const auto fail = [&](std::int64_t index, FsError error, bool trashStep = false) {
        result.failedItems.push_back({std::size_t(index), std::move(error), trashStep});
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

    // Every item copied (and, where originals stay, put on the drive and
    // checked) in turn.
    std::vector<std::pair<std::int64_t, MadeCopy>> toVerify;
    for (std::int64_t index = 0; index < total; ++index) {
        const Candidate& item = items[std::size_t(index)];
        meter.waitWhilePaused();
        // Stopped: no later item starts, and none is taken for done.
        if (stop.stop_requested()) {
            fail(index, stopped(item));
            meter.skip(itemLength(item) * phases);
            continue;
        }
        const QString name = displayName(item);
        if (progress)
            progress(index + 1, total, name);
        meter.startPhase(index + 1, total, name, false, moveOriginalsToTrash, itemLength(item));
        destinationGone = destinationGone || !fileSystem.stillAvailable(folders.destination);
        MadeCopy made;
        FsResult<void> outcome =
            destinationGone ? FsResult<void>(gone)
                            : copyItemToDrive(item, folders, moveOriginalsToTrash, fileSystem, stop, meter, made);
        if (outcome && !moveOriginalsToTrash)
            outcome = finishCopy(item, made, fileSystem, stop);
        driveWentAway(outcome);
        meter.endPhase();
        if (!outcome) {
            fail(index, outcome.error());
            meter.skip(itemLength(item) * (phases - 1));
        } else if (moveOriginalsToTrash) {
            toVerify.emplace_back(index, std::move(made));
        }
    }

    // All written: each copy read back from the drive after the run's last
    // write, and only then its original to the Trash.
    for (const auto& [index, made] : toVerify) {
        const Candidate& item = items[std::size_t(index)];
        meter.waitWhilePaused();
        if (stop.stop_requested()) {
            fail(index, stopped(item));
            meter.skip(itemLength(item));
            continue;
        }
        meter.startPhase(index + 1, total, displayName(item), true, true, itemLength(item));
        bool trashStep = false;
        FsResult<void> outcome = destinationGone
                                     ? FsResult<void>(gone)
                                     : verifyAndTrash(item, made, folders, fileSystem, stop, meter, trashStep);
        // (A trashed original's copy was flushed and read back while the
        // drive was still there.)
        if (!outcome)
            driveWentAway(outcome);
        meter.endPhase();
        if (outcome) {
            ++result.trashed;
            result.trashedBytes += item.sizeBytes();
        } else
            fail(index, outcome.error(), trashStep && outcome.error().code != FsErrc::destinationGone);
    }
    std::stable_sort(result.failedItems.begin(), result.failedItems.end(),
                     [](const ItemFailure& a, const ItemFailure& b) { return a.item < b.item; });
    result.failures = failureLines(items, result);
    return result;
}
