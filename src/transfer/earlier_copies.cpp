#include "transfer/earlier_copies.h"

#include "model/path_ops.h"
#include "model/text_table.h"
#include "transfer/run_paths.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view uncheckedSuffix = ".loftwell-unchecked";
constexpr std::string_view unfinishedSuffix = ".loftwell-partial";

bool allDigits(std::string_view text)
{
    return !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// `shown` is `name`, or `name` numbered as a taken name is ("Report 2.pdf").
bool isNameOf(const std::string& shown, const std::string& name)
{
    if (shown == name)
        return true;
    const std::string extension = extensionOfName(name);
    const std::string base = extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1);
    const std::string suffix = extension.empty() ? std::string() : "." + extension;
    if (shown.size() <= base.size() + 1 + suffix.size() || !shown.starts_with(base + " ") || !shown.ends_with(suffix))
        return false;
    return allDigits(std::string_view(shown).substr(base.size() + 1, shown.size() - base.size() - 1 - suffix.size()));
}

// What stands between the leading dot and `suffix` of a hidden name.
std::optional<std::string> hiddenPart(const std::string& entry, std::string_view suffix)
{
    if (entry.size() <= 1 + suffix.size() || entry[0] != '.' || !entry.ends_with(suffix))
        return std::nullopt;
    return entry.substr(1, entry.size() - 1 - suffix.size());
}

// How well `entry` names a copy of `name`: 2 its own name or that of a
// copy not yet checked, 1 a numbered one (which may be another item's own),
// 0 none.
int copyNameRank(const std::string& entry, const std::string& name)
{
    const auto unchecked = hiddenPart(entry, uncheckedSuffix);
    if (entry == name || unchecked == name)
        return 2;
    return isNameOf(entry, name) || (unchecked && isNameOf(*unchecked, name)) ? 1 : 0;
}

// ".name.loftwell-partial", or numbered: ".name 2.loftwell-partial".
bool isUnfinishedName(const std::string& entry, const std::string& name)
{
    const auto part = hiddenPart(entry, unfinishedSuffix);
    return part && (*part == name || (part->starts_with(name + " ") && allDigits(part->substr(name.size() + 1))));
}

struct ListedFolder {
    HeldFolder held;
    std::vector<std::string> names;
};

} // namespace

std::int64_t EarlierCopies::count() const
{
    return std::ranges::count_if(items, [](const auto& copy) { return copy.has_value(); });
}

QStringList EarlierCopies::runs() const
{
    QStringList runs;
    for (const auto& copy : items) {
        if (copy && !runs.contains(QString::fromStdString(copy->run)))
            runs.append(QString::fromStdString(copy->run));
    }
    runs.sort();
    std::ranges::reverse(runs);
    return runs;
}

bool isUncheckedName(const std::string& name)
{
    return hiddenPart(name, uncheckedSuffix).has_value();
}

void removeLeftUnfinished(const EarlierCopies& earlier, std::uint64_t device, const FileSystem& fileSystem)
{
    for (const LeftUnfinished& left : earlier.unfinished) {
        const auto dated = fileSystem.holdFolder(left.dated);
        const auto folder = fileSystem.holdFolder(left.folder);
        if (!dated || !folder || dated.value().device() != device || folder.value().device() != device ||
            fileSystem.runFolderClaimed(dated.value()))
            continue;
        if (fileSystem.removeUnfinishedCopy(folder.value(), left.name)) {
            fileSystem.removeEmptyFolder(folder.value());
            fileSystem.removeEmptyFolder(dated.value());
        }
    }
}

EarlierCopies findEarlierCopies(const std::vector<Candidate>& items, const fs::path& to, const FileSystem& fileSystem)
{
    EarlierCopies found;
    found.items.resize(items.size());
    const fs::path runsPath = to / folderComponent(I18n::text("transfer.folder"));
    const auto runsFolder = fileSystem.holdFolder(runsPath);
    const auto listed = runsFolder ? fileSystem.folderEntries(runsFolder.value())
                                   : FsResult<std::vector<DirectoryEntry>>(runsFolder.error());
    if (!listed)
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
    // they miss, as that writes a scratch entry on it.
    std::optional<std::int64_t> tolerance;
    const auto alike = [&](const fs::path& source, const HeldFolder& folder, const std::string& entry) {
        if (fileSystem.looksLikeCopy(source, folder, entry, 0))
            return true;
        if (!tolerance)
            tolerance = fileSystem.timeTolerance(runsFolder.value());
        return *tolerance > 0 && fileSystem.looksLikeCopy(source, folder, entry, *tolerance);
    };
    // A run still going on (another window, a command line) keeps its copies.
    std::set<std::string> live;
    for (const std::string& run : runs) {
        const auto dated = fileSystem.holdFolder(runsPath / run);
        if (!dated || fileSystem.runFolderClaimed(dated.value()))
            live.insert(run);
    }
    std::set<fs::path> taken;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const fs::path& source = items[i].sourceURL();
        const std::string name = lastPathComponent(source);
        const std::string root = folderComponent(items[i].rootName());
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
            for (int rank = 2; rank > 0 && !found.items[i]; --rank) {
                for (const std::string& entry : folder->names) {
                    if (found.items[i] || copyNameRank(entry, name) != rank || taken.contains(path / entry))
                        continue;
                    // Never the item itself, reached through a link or lying on the destination.
                    const fs::path copy = path / entry;
                    if (isInside(copy, source, fileSystem) || isInside(source, copy, fileSystem))
                        continue;
                    if (alike(source, folder->held, entry)) {
                        found.items[i] = EarlierCopy{path, entry, run};
                        taken.insert(copy);
                    }
                }
            }
        }
    }
    return found;
}
