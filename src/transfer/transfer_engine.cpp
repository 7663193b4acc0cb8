#include "transfer/transfer_engine.h"

#include "fs/destination_rules.h"
#include "fs/error_description.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/risk_level.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "scan/candidate_scanner.h"
#include "transfer/unique_destination.h"

#include <algorithm>
#include <chrono>
#include <mutex>

namespace fs = std::filesystem;

namespace {

} // namespace

double ItemProgress::fraction() const
{
    const double phase = bytesTotal > 0 ? std::clamp(double(bytesDone) / double(bytesTotal), 0.0, 1.0) : 0.0;
    if (!verifiesContents)
        return phase;
    return verifying ? 0.5 + phase / 2 : phase / 2;
}

namespace {

QString failureLine(const Candidate& item, const QString& name, const QString& description)
{
    return formatText(I18n::text("failure.item"),
                      {item.rootName() + u'/' + name, item.kind(), adviceText(item.risk()), description});
}

// The folders of one run, held open: everything is made through them, so
// it lands on the drive the user chose or fails.
struct RunFolders {
    HeldFolder destination;
    HeldFolder dated;
    DestinationRules rules; // what the destination can hold
};

// Progress within one item, passed on at most every 50 ms (the copier
// reports from two threads, chunk by chunk).
class ProgressMeter {
public:
    ProgressMeter(const ItemProgressCallback& callback, ItemProgress item) : callback_(callback), item_(std::move(item))
    {
    }

    void startPhase(bool verifying)
    {
        std::lock_guard lock(mutex_);
        item_.verifying = verifying;
        item_.bytesDone = 0;
        sendLocked();
    }

    ByteCounter counter()
    {
        if (!callback_)
            return {};
        return [this](std::int64_t bytes) { add(bytes); };
    }

private:
    void add(std::int64_t bytes)
    {
        std::lock_guard lock(mutex_);
        item_.bytesDone += bytes; // hidden files are copied too: may pass the scan's total
        if (std::chrono::steady_clock::now() - sent_ >= std::chrono::milliseconds(50))
            sendLocked();
    }

    void sendLocked()
    {
        sent_ = std::chrono::steady_clock::now();
        if (callback_)
            callback_(item_);
    }

    const ItemProgressCallback& callback_;
    std::mutex mutex_;
    ItemProgress item_;
    std::chrono::steady_clock::time_point sent_;
};

// Copies, verifies and trashes one item; returns the reason it failed, or
// an empty string.
QString transferItem(const Candidate& item, const RunFolders& folders, bool moveOriginalsToTrash,
                     const FileSystem& fileSystem, const std::stop_token& stop, ProgressMeter& meter)
{
    const fs::path& source = item.sourceURL();
    const std::string rootFolder = folderComponent(item.rootName());
    if (isInside(folders.dated.path() / rootFolder, source, fileSystem))
        return errorDescription(FsErrc::copyIntoItself);
    // What the destination cannot hold is refused before anything of the
    // item is written, not after an hour of copying.
    if (const auto problem = nameProblem(rootFolder, folders.rules))
        return errorDescription(*problem);
    if (auto fits = fileSystem.checkItemFits(source, lastPathComponent(source), folders.rules, folders.dated); !fits)
        return fits.error().description();
    // An item that changed since the scan (still being downloaded, say) is
    // not what the user chose to move. The scan's fingerprint is compared
    // where there is one, else the size the scan measured.
    if (const auto& scanned = item.fingerprint()) {
        const ItemMeasure now = measureItem(source, fileSystem, stop);
        if (stop.stop_requested())
            return errorDescription(systemError(ECANCELED));
        if (now.fingerprint != *scanned)
            return errorDescription(FsErrc::changedSinceScan);
    } else if (item.sizeBytes() > 0 && itemSize(source, fileSystem, stop) != item.sizeBytes()) {
        return errorDescription(FsErrc::sizeCheckFailed);
    }
    auto perRoot = fileSystem.holdSubfolder(folders.dated, rootFolder);
    if (!perRoot)
        return perRoot.error().description();
    const std::string name = uniqueNameIn(perRoot.value(), lastPathComponent(source), fileSystem);

    // Contents are compared only when the original is to go: the hash is
    // taken while copying, except of files the drive shares with the copy.
    meter.startPhase(false);
    const auto copied =
        fileSystem.copyItem(source, perRoot.value(), name, CopyOptions{moveOriginalsToTrash, stop, meter.counter()});
    if (!copied)
        return copied.error().description();
    if (moveOriginalsToTrash)
        meter.startPhase(true);
    if (auto verified = fileSystem.verifyCopy(source, perRoot.value(), name, copied.value(), moveOriginalsToTrash, stop,
                                              meter.counter());
        !verified)
        return verified.error().description();

    if (stop.stop_requested())
        return errorDescription(systemError(ECANCELED));
    if (moveOriginalsToTrash) {
        // A copy on a drive that has since gone is no copy to rely on.
        if (!fileSystem.stillAvailable(folders.destination))
            return errorDescription(FsErrc::destinationGone);
        if (auto trashed = fileSystem.trashItem(source, copied.value()); !trashed) {
            const std::error_code code = trashed.error().code;
            return code == FsErrc::sourceChanged ? trashed.error().description() : trashStepFailure(code);
        }
    }
    return {};
}

// The run's folders, made or reused below `to` as real folders on its drive.
FsResult<RunFolders> holdRunFolders(const fs::path& to, const std::string& stamp, const FileSystem& fileSystem)
{
    auto destination = fileSystem.holdFolder(to);
    if (!destination)
        return destination.error();
    auto loftwell = fileSystem.holdSubfolder(destination.value(), folderComponent(I18n::text("transfer.folder")));
    if (!loftwell)
        return loftwell.error();
    auto dated = fileSystem.holdSubfolder(loftwell.value(), stamp);
    if (!dated)
        return dated.error();
    return RunFolders{destination.value(), dated.value(), fileSystem.destinationRules(dated.value())};
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
                        std::stop_token stop, const ItemProgressCallback& itemProgress)
{
    // Qt formats with the C locale here: ASCII digits whatever the user's locale.
    const QString stamp = startTime.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    TransferResult result;
    result.destination = to / folderComponent(I18n::text("transfer.folder")) / pathFromText(stamp);
    const auto folders = holdRunFolders(to, pathFromText(stamp).native(), fileSystem);
    if (!folders) {
        result.failures.append(
            formatText(I18n::text("transfer.createDestinationFailed"), {folders.error().description()}));
        return result;
    }
    // Once the drive is gone, every later item fails at once for that reason.
    bool destinationGone = false;

    const auto total = std::int64_t(items.size());
    for (std::int64_t index = 0; index < total; ++index) {
        const Candidate& item = items[std::size_t(index)];
        const std::string nameBytes = lastPathComponent(item.sourceURL());
        const QString name = displayText(std::string_view(nameBytes));
        // Stopped: no later item starts, and none is taken for done.
        if (stop.stop_requested()) {
            result.failures.append(failureLine(item, name, errorDescription(systemError(ECANCELED))));
            continue;
        }
        if (progress)
            progress(index + 1, total, name);
        ItemProgress start;
        start.index = index + 1;
        start.total = total;
        start.name = name;
        start.verifiesContents = moveOriginalsToTrash;
        start.bytesTotal = item.fingerprint() ? item.fingerprint()->lengthBytes : item.sizeBytes();
        ProgressMeter meter(itemProgress, start);
        destinationGone = destinationGone || !fileSystem.stillAvailable(folders.value().destination);
        QString failure = destinationGone
                              ? errorDescription(FsErrc::destinationGone)
                              : transferItem(item, folders.value(), moveOriginalsToTrash, fileSystem, stop, meter);
        // Whatever an item met while its drive went away, that is the reason;
        // and a copy whose drive went during it is not reported as made. (A
        // trashed original's copy was flushed and read back while the drive
        // was still there.)
        if (!destinationGone && !fileSystem.stillAvailable(folders.value().destination)) {
            destinationGone = true;
            if (!failure.isEmpty() || !moveOriginalsToTrash)
                failure = errorDescription(FsErrc::destinationGone);
        }
        if (!failure.isEmpty())
            result.failures.append(failureLine(item, name, failure));
    }
    return result;
}
