#include "transfer/earlier_copies.h"

#include "fs/drive/destination_rules.h"
#include "model/path_ops.h"
#include "model/text_table.h"
#include "transfer/copy_names.h"
#include "transfer/run_paths.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>

namespace fs = std::filesystem;

namespace {

struct ListedFolder {
    HeldFolder held;
    std::vector<std::string> names;
};

} // namespace

const EarlierCopy* EarlierCopies::of(const fs::path& source) const
{
    const auto found = items.find(source);
    return found == items.end() ? nullptr : &found->second;
}

QStringList EarlierCopies::runs() const
{
    QStringList runs;
    for (const auto& [source, copy] : items) {
        if (!runs.contains(QString::fromStdString(copy.run)))
            runs.append(QString::fromStdString(copy.run));
    }
    runs.sort();
    std::ranges::reverse(runs);
    return runs;
}

void removeLeftUnfinished(const EarlierCopies& earlier, std::uint64_t device, const FileSystem& fileSystem)
{
    for (const LeftUnfinished& left : earlier.unfinished) {
        const auto dated = fileSystem.holdFolder(left.dated);
        const auto folder = fileSystem.holdFolder(left.folder);
        if (!dated || !folder || dated.value().device() != device || folder.value().device() != device ||
            fileSystem.runFolderClaimed(dated.value()))
            continue;
        // The dated folder only where its location's folder went: else it holds something.
        if (fileSystem.removeUnfinishedCopy(folder.value(), left.name) && fileSystem.removeEmptyFolder(folder.value()))
            (void)fileSystem.removeEmptyFolder(dated.value()); // (another copy keeps it: fine)
    }
}

EarlierCopies findEarlierCopies(const std::vector<Candidate>& items, const fs::path& to, const FileSystem& fileSystem)
{
    EarlierCopies found;
    const fs::path runsPath = to / folderComponent(I18n::text("transfer.folder"));
    const auto runsFolder = fileSystem.holdFolder(runsPath);
    const auto listed = runsFolder ? fileSystem.folderEntries(runsFolder.value())
                                   : FsResult<std::vector<DirectoryEntry>>(runsFolder.error());
    // A drive another run holds (one that may have unmounted it for its
    // check) offers nothing: that run's copies are its own until it ends.
    DriveClaim probe;
    if (!listed || !fileSystem.claimDrive(runsFolder.value(), probe))
        return found;
    std::vector<std::string> runs;
    for (const DirectoryEntry& entry : listed.value()) {
        if (!entry.name.starts_with('.') && (entry.type == EntryType::directory || entry.type == EntryType::unknown))
            runs.push_back(entry.name);
    }
    std::ranges::sort(runs, std::greater<>()); // newest first
    std::map<fs::path, std::optional<ListedFolder>> folders;
    const auto folderAt = [&](const fs::path& path) -> const std::optional<ListedFolder>& {
        auto [known, added] = folders.try_emplace(path);
        if (!added)
            return known->second;
        auto held = fileSystem.holdFolder(path);
        // On the destination's own drive, not wherever a link there leads.
        if (!held || held.value().device() != runsFolder.value().device())
            return known->second;
        auto entries = fileSystem.folderEntries(held.value());
        if (!entries)
            return known->second;
        ListedFolder folder{held.value(), {}};
        for (const DirectoryEntry& entry : entries.value())
            folder.names.push_back(entry.name);
        known->second = std::move(folder);
        return known->second;
    };
    // Exact times first; the drive's granularity is tried out only when
    // they miss, as that writes a scratch entry on it. Where it cannot be
    // tried (a drive mounted read-only), the coarsest any drive has: the
    // copy is read back and compared all the same before it counts.
    std::optional<std::int64_t> tolerance;
    const auto alike = [&](const fs::path& source, const HeldFolder& folder, const std::string& entry) {
        if (fileSystem.looksLikeCopy(source, folder, entry, 0))
            return true;
        if (!tolerance)
            tolerance = fileSystem.timeTolerance(runsFolder.value()).value_or(coarsestTimeTolerance);
        return *tolerance > 0 && fileSystem.looksLikeCopy(source, folder, entry, *tolerance);
    };
    // The item itself, under another name: a hard link to it on its own disk.
    const auto sameFile = [&](const fs::path& source, const fs::path& copy) {
        const auto a = fileSystem.itemValues(source);
        const auto b = fileSystem.itemValues(copy);
        return !a || !b || (a.value().device == b.value().device && a.value().inode == b.value().inode);
    };
    // A run still going on (another window, a command line) keeps its copies.
    std::set<std::string> live;
    for (const std::string& run : runs) {
        const auto dated = fileSystem.holdFolder(runsPath / run);
        if (!dated || fileSystem.runFolderClaimed(dated.value()))
            live.insert(run);
    }
    std::set<fs::path> taken;
    for (const Candidate& item : items) {
        const fs::path& source = item.sourceURL();
        const std::string name = lastPathComponent(source);
        const std::string root = folderComponent(item.rootName());
        for (const std::string& run : runs) {
            const fs::path path = runsPath / run / root;
            if (live.contains(run))
                continue;
            const std::optional<ListedFolder>& folder = folderAt(path);
            if (!folder)
                continue;
            for (const std::string& entry : folder->names) {
                if (isUnfinishedName(entry, name))
                    found.unfinished.push_back({runsPath / run, path, entry});
            }
            for (int rank = 2; rank > 0 && !found.items.contains(source); --rank) {
                for (const std::string& entry : folder->names) {
                    if (found.items.contains(source) || copyNameRank(entry, name) != rank ||
                        taken.contains(path / entry))
                        continue;
                    // Never the item itself, reached through a link, lying on the destination or linked to.
                    const fs::path copy = path / entry;
                    if (isInside(copy, source, fileSystem) || isInside(source, copy, fileSystem) ||
                        sameFile(source, copy))
                        continue;
                    if (alike(source, folder->held, entry)) {
                        found.items.emplace(source, EarlierCopy{path, entry, run});
                        taken.insert(copy);
                    }
                }
            }
        }
    }
    return found;
}
