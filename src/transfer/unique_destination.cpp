#include "transfer/unique_destination.h"

#include "model/path_ops.h"

#include <QUuid>

namespace fs = std::filesystem;

fs::path uniqueDestination(const fs::path& proposed, const FileSystem& fileSystem)
{
    if (!fileSystem.exists(proposed))
        return proposed;

    const std::string name = lastPathComponent(proposed);
    const std::string extension = extensionOfName(name);
    const std::string base = extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1);
    const std::string suffix = extension.empty() ? std::string() : "." + extension;
    const fs::path parent = standardizedPath(proposed).parent_path();

    for (int n = 2; n <= 999; ++n) {
        const fs::path candidate = parent / (base + " " + std::to_string(n) + suffix);
        if (!fileSystem.exists(candidate))
            return candidate;
    }
    const QByteArray uuid = QUuid::createUuid().toByteArray(QUuid::WithoutBraces).toUpper();
    return parent / (base + " " + uuid.toStdString() + suffix);
}
