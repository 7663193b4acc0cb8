#include "transfer/unique_destination.h"

#include "model/path_ops.h"

#include <QUuid>

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
