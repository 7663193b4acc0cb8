#include "transfer/run_paths.h"

#include "model/path_text.h"

namespace fs = std::filesystem;

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
