#include "transfer/transfer_engine.h"

#include "fs/error_description.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/risk_level.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "scan/candidate_scanner.h"
#include "transfer/unique_destination.h"

namespace fs = std::filesystem;

namespace {

QString failureLine(const Candidate& item, const QString& name, const QString& description)
{
    return formatText(I18n::text("failure.item"),
                      {item.rootName() + u'/' + name, item.kind(), adviceText(item.risk()), description});
}

// Copies, verifies and trashes one item; returns the reason it failed, or
// an empty string.
QString transferItem(const Candidate& item, const fs::path& dated, bool moveOriginalsToTrash, const FileSystem& fileSystem,
                     const std::stop_token& stop)
{
    const fs::path& source = item.sourceURL();
    const fs::path perRoot = dated / folderComponent(item.rootName());
    if (isInside(perRoot, source, fileSystem))
        return errorDescription(FsErrc::copyIntoItself);
    if (auto made = fileSystem.createDirectories(perRoot); !made)
        return made.error().description();

    const fs::path target = uniqueDestination(perRoot / lastPathComponent(source), fileSystem);
    // Contents are compared only when the original is to go: the hash is
    // taken while copying, which rules out the kernel's copy shortcuts.
    const auto copied = fileSystem.copyItem(source, target, CopyOptions{moveOriginalsToTrash, stop});
    if (!copied)
        return copied.error().description();
    // An item that changed since the scan is not what the user chose to move.
    // Measured before the verification, which is then the last look at the
    // source before it goes.
    if (item.sizeBytes() > 0 && itemSize(source, fileSystem, stop) != item.sizeBytes())
        return errorDescription(FsErrc::sizeCheckFailed);
    if (auto verified = fileSystem.verifyCopy(source, target, copied.value(), moveOriginalsToTrash, stop); !verified)
        return verified.error().description();

    if (stop.stop_requested())
        return errorDescription(systemError(ECANCELED));
    if (moveOriginalsToTrash) {
        const CopiedEntry& top = copied.value().entries.front();
        if (auto trashed = fileSystem.trashItem(source, ItemIdentity{top.device, top.inode}); !trashed)
            return trashed.error().description();
    }
    return {};
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
                        std::stop_token stop)
{
    // Qt formats with the C locale here: ASCII digits whatever the user's locale.
    const QString stamp = startTime.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    TransferResult result;
    result.destination = to / folderComponent(I18n::text("transfer.folder")) / pathFromText(stamp);
    if (auto made = fileSystem.createDirectories(result.destination); !made) {
        result.failures.append(formatText(I18n::text("transfer.createDestinationFailed"), {made.error().description()}));
        return result;
    }

    const auto total = std::int64_t(items.size());
    for (std::int64_t index = 0; index < total && !stop.stop_requested(); ++index) {
        const Candidate& item = items[std::size_t(index)];
        const std::string nameBytes = lastPathComponent(item.sourceURL());
        const QString name = displayText(std::string_view(nameBytes));
        if (progress)
            progress(index + 1, total, name);
        if (const QString failure = transferItem(item, result.destination, moveOriginalsToTrash, fileSystem, stop);
            !failure.isEmpty())
            result.failures.append(failureLine(item, name, failure));
    }
    return result;
}
