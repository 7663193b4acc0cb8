#include "transfer/bring_back.h"

#include "fs/copied_entry_kind.h"
#include "fs/error_description.h"
#include "model/byte_format.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "transfer/copy_names.h"
#include "transfer/unique_destination.h"

#include <algorithm>
#include <map>

namespace fs = std::filesystem;

namespace {

// The folder `target` goes into, held; missing folders on the way made
// where allowed, each a real folder (holdSubfolder refuses links).
FsResult<HeldFolder> holdTargetFolder(const fs::path& folder, bool makeFolders, const FileSystem& fileSystem)
{
    fs::path existing = folder;
    std::vector<std::string> missing;
    while (!fileSystem.exists(existing) && existing.has_relative_path()) {
        missing.push_back(lastPathComponent(existing));
        existing = existing.parent_path();
    }
    if (!missing.empty() && !makeFolders)
        return FsError{ENOENT, folder};
    auto held = fileSystem.holdFolder(existing);
    for (auto name = missing.rbegin(); held && name != missing.rend(); ++name)
        held = fileSystem.holdSubfolder(held.value(), *name);
    return held;
}

// True where the copy read from the drive holds what the record says: the
// same files with the same contents, and none more.
bool matchesRecord(const CopyManifest& manifest, const RecordedItem& recorded)
{
    if (manifest.entries.empty() || isFolderEntry(manifest.entries.front()) != recorded.folder)
        return false;
    std::map<std::string, const RecordedFile*> files;
    for (const RecordedFile& file : recorded.files)
        files.emplace(file.path, &file);
    std::size_t matched = 0;
    for (const CopiedEntry& entry : manifest.entries) {
        if (!isFileEntry(entry))
            continue;
        const auto found = files.find(entry.relativePath);
        if (found == files.end() || !entry.hash || found->second->length != entry.length ||
            !(found->second->hash == *entry.hash))
            return false;
        ++matched;
    }
    return matched == files.size();
}

class ItemBack {
public:
    ItemBack(const BringBackItem& item, const FileSystem& fileSystem, const ByteCounter& bytes,
             const std::stop_token& stop)
        : item_(item), fileSystem_(fileSystem), bytes_(bytes), stop_(stop)
    {
    }

    BroughtBack run()
    {
        const std::string name = lastPathComponent(item_.target);
        auto into = holdTargetFolder(item_.target.parent_path(), item_.makeFolders, fileSystem_);
        if (!into)
            return failed(describeError(into.error()));
        if (!item_.trashed.empty()) {
            const std::string free = uniqueNameIn(into.value(), name, fileSystem_);
            const auto restored = fileSystem_.restoreFromTrash(item_.trashed, item_.original, into.value(), free);
            if (restored)
                return done(into.value().path() / free, true, free != name);
            // Gone from the Trash, or the Trash on another drive than the
            // place: the drive's copy, where there is one.
            if (item_.copy.empty())
                return failed(describeError(restored.error()));
        }
        if (item_.copy.empty())
            return failed(formatText(I18n::text("restore.plugIn"), {item_.drive}));
        return fromDrive(into.value(), name);
    }

private:
    BroughtBack fromDrive(const HeldFolder& into, const std::string& name)
    {
        // The folders on the drive's side must be the record's own.
        const fs::path below = fs::path(item_.recorded.copy).parent_path();
        if (fileSystem_.resolvedPath(item_.copy.parent_path()) !=
            standardizedPath(fileSystem_.resolvedPath(item_.runs) / below))
            return failed(formatText(I18n::text("restore.copyChanged"), {item_.drive}));
        const std::string hidden = unfinishedNameIn(into, name, 255, fileSystem_);
        auto copied = fileSystem_.copyItem(item_.copy, into, hidden, CopyOptions{true, stop_, bytes_});
        if (!copied)
            return discard(into, hidden,
                           copied.error().code == std::errc::no_such_file_or_directory
                               ? formatText(I18n::text("restore.plugIn"), {item_.drive})
                               : describeError(copied.error()));
        if (!matchesRecord(copied.value(), item_.recorded))
            return discard(into, hidden, formatText(I18n::text("restore.copyChanged"), {item_.drive}));
        if (auto flushed = fileSystem_.flushCopy(into, hidden); !flushed)
            return discard(into, hidden, describeError(flushed.error()));
        if (auto checked = fileSystem_.verifyCopy(item_.copy, into, hidden, copied.value(), CopyCheck::contents, stop_);
            !checked)
            return discard(into, hidden, describeError(checked.error()));
        auto named = renameToFreeName(
            into, hidden, [&] { return uniqueNameIn(into, name, fileSystem_); }, fileSystem_);
        if (!named)
            return discard(into, hidden, describeError(named.error()));
        return done(into.path() / named.value(), false, named.value() != name);
    }

    BroughtBack discard(const HeldFolder& into, const std::string& hidden, const QString& why)
    {
        (void)fileSystem_.removeUnfinishedCopy(into, hidden);
        return failed(why);
    }

    static BroughtBack failed(const QString& why) { return BroughtBack{std::nullopt, false, false, why}; }
    static BroughtBack done(const fs::path& at, bool fromTrash, bool beside)
    {
        return BroughtBack{at, fromTrash, beside, {}};
    }

    const BringBackItem& item_;
    const FileSystem& fileSystem_;
    const ByteCounter& bytes_;
    const std::stop_token& stop_;
};

// Refused where the copies to come from the drive do not fit where they go.
QString spaceRefusal(const std::vector<BringBackItem>& items, const FileSystem& fileSystem)
{
    // By the file system they go to, each asked through a folder of its own.
    std::map<fs::path, std::pair<fs::path, std::int64_t>> needed;
    for (const BringBackItem& item : items) {
        if (!item.trashed.empty() && fileSystem.exists(item.trashed))
            continue;
        std::int64_t bytes = 0;
        for (const RecordedFile& file : item.recorded.files)
            bytes += file.length;
        fs::path folder = item.target.parent_path();
        while (!fileSystem.exists(folder) && folder.has_relative_path())
            folder = folder.parent_path();
        auto& [asked, total] = needed[fileSystem.mountPoint(folder).value_or(folder)];
        asked = folder;
        total += std::max(bytes, item.recorded.sizeBytes);
    }
    for (const auto& [mount, need] : needed) {
        const auto free = fileSystem.volumeValues(need.first).availableBytes;
        if (free && *free < need.second)
            return formatText(I18n::text("restore.notEnoughSpace"), {formatBytes(need.second), formatBytes(*free)});
    }
    return {};
}

} // namespace

BringBackResult bringBack(const std::vector<BringBackItem>& items, const FileSystem& fileSystem,
                          const TransferProgress& progress, const ByteCounter& bytes, std::stop_token stop)
{
    BringBackResult result;
    result.refused = spaceRefusal(items, fileSystem);
    if (!result.refused.isEmpty())
        return result;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (stop.stop_requested()) {
            result.stopped = true;
            result.items.push_back({std::nullopt, false, false, describeError(FsError{ECANCELED, items[i].original})});
            continue;
        }
        if (progress)
            progress(std::int64_t(i) + 1, std::int64_t(items.size()), displayText(items[i].target.filename()));
        result.items.push_back(ItemBack(items[i], fileSystem, bytes, stop).run());
    }
    return result;
}
