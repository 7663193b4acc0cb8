#include "transfer/copy_names.h"

#include "model/path_ops.h"
#include "transfer/unique_destination.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace {

constexpr std::string_view uncheckedSuffix = ".loftwell-unchecked";
constexpr std::string_view unfinishedSuffix = ".loftwell-partial";
// Room kept for " UUID", the longest number a taken name may get.
constexpr int numbering = 37;
constexpr int readersLimit = 255;

// `name` cut, between two characters, to leave room for the leading dot,
// `suffix` and a number.
std::string roomFor(const std::string& name, std::string_view suffix, int longestName)
{
    const int room = std::min(longestName, readersLimit) - 1 - int(suffix.size()) - numbering;
    std::size_t cut = std::min(name.size(), std::size_t(std::max(room, 1)));
    while (cut > 0 && cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

std::string hidden(const std::string& shown, std::string_view suffix)
{
    return "." + shown + std::string(suffix);
}

// What stands between the leading dot and `suffix` of a hidden name.
std::optional<std::string> shownPart(const std::string& entry, std::string_view suffix)
{
    if (entry.size() <= 1 + suffix.size() || entry[0] != '.' || !entry.ends_with(suffix))
        return std::nullopt;
    return entry.substr(1, entry.size() - 1 - suffix.size());
}

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

} // namespace

std::string unfinishedNameIn(const HeldFolder& folder, const std::string& name, int longestName,
                             const FileSystem& fileSystem)
{
    return uniqueNameIn(folder, hidden(roomFor(name, unfinishedSuffix, longestName), unfinishedSuffix), fileSystem);
}

std::string uncheckedNameIn(const HeldFolder& folder, const std::string& name, int longestName,
                            const FileSystem& fileSystem)
{
    const std::string numbered =
        uniqueName(roomFor(name, uncheckedSuffix, longestName), [&](const std::string& candidate) {
            return fileSystem.existsIn(folder, candidate) ||
                   fileSystem.existsIn(folder, hidden(candidate, uncheckedSuffix));
        });
    return hidden(numbered, uncheckedSuffix);
}

bool isUncheckedName(const std::string& entry)
{
    return shownPart(entry, uncheckedSuffix).has_value();
}

bool isUnfinishedName(const std::string& entry, const std::string& name)
{
    const auto part = shownPart(entry, unfinishedSuffix);
    const std::string cut = roomFor(name, unfinishedSuffix, readersLimit);
    return part && (*part == cut || (part->starts_with(cut + " ") && allDigits(part->substr(cut.size() + 1))));
}

int copyNameRank(const std::string& entry, const std::string& name)
{
    const auto unchecked = shownPart(entry, uncheckedSuffix);
    const std::string cut = roomFor(name, uncheckedSuffix, readersLimit);
    if (entry == name || unchecked == cut)
        return 2;
    return isNameOf(entry, name) || (unchecked && isNameOf(*unchecked, cut)) ? 1 : 0;
}
