#include "transfer/unique_destination.h"

#include "model/path_ops.h"

#include <QUuid>

#include <algorithm>
#include <string_view>

namespace fs = std::filesystem;

std::string uniqueName(const std::string& name, const std::function<bool(const std::string&)>& taken)
{
    if (!taken(name))
        return name;
    const std::string extension = extensionOfName(name);
    const std::string base = extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1);
    const std::string suffix = extension.empty() ? std::string() : "." + extension;
    for (int n = 2; n <= 999; ++n) {
        std::string candidate = base + " " + std::to_string(n) + suffix;
        if (!taken(candidate))
            return candidate;
    }
    const QByteArray uuid = QUuid::createUuid().toByteArray(QUuid::WithoutBraces).toUpper();
    return base + " " + uuid.toStdString() + suffix;
}

fs::path uniqueDestination(const fs::path& proposed, const FileSystem& fileSystem)
{
    if (!fileSystem.exists(proposed))
        return proposed;
    const fs::path parent = standardizedPath(proposed).parent_path();
    return parent / uniqueName(lastPathComponent(proposed),
                               [&](const std::string& name) { return fileSystem.exists(parent / name); });
}

std::string uniqueNameIn(const HeldFolder& folder, const std::string& name, const FileSystem& fileSystem)
{
    return uniqueName(name, [&](const std::string& candidate) { return fileSystem.existsIn(folder, candidate); });
}

namespace {

// `name` cut, between two characters, to leave room for a leading dot, the
// suffix and the " UUID" a taken name may get.
std::string roomFor(const std::string& name, std::string_view suffix, int longestName)
{
    constexpr int numbering = 37;
    const int room = std::min(longestName, 255) - 1 - int(suffix.size()) - numbering;
    std::size_t cut = std::min(name.size(), std::size_t(std::max(room, 1)));
    while (cut > 0 && cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

} // namespace

std::string unfinishedNameIn(const HeldFolder& folder, const std::string& name, int longestName,
                             const FileSystem& fileSystem)
{
    constexpr std::string_view suffix = ".loftwell-partial";
    return uniqueNameIn(folder, "." + roomFor(name, suffix, longestName) + std::string(suffix), fileSystem);
}

std::string uncheckedNameIn(const HeldFolder& folder, const std::string& name, int longestName,
                            const FileSystem& fileSystem)
{
    constexpr std::string_view suffix = ".loftwell-unchecked";
    const auto hidden = [&](const std::string& shown) { return "." + shown + std::string(suffix); };
    const std::string numbered = uniqueName(roomFor(name, suffix, longestName), [&](const std::string& candidate) {
        return fileSystem.existsIn(folder, candidate) || fileSystem.existsIn(folder, hidden(candidate));
    });
    return hidden(numbered);
}

FsResult<std::string> renameToFreeName(const HeldFolder& folder, const std::string& from,
                                       const std::function<std::string()>& freeName, const FileSystem& fileSystem)
{
    FsResult<void> renamed = FsError{};
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string name = freeName();
        renamed = fileSystem.renameCopy(folder, from, name);
        if (renamed)
            return name;
        if (renamed.error().code != std::errc::file_exists)
            break;
    }
    return renamed.error();
}
