#include "transfer/restore_safety.h"

#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"

namespace fs = std::filesystem;

namespace {

bool plainParts(std::string_view path)
{
    while (!path.empty()) {
        const std::size_t end = path.find('/');
        const std::string_view part = path.substr(0, end);
        if (part.empty() || part == "." || part == "..")
            return false;
        if (end == std::string_view::npos)
            break;
        path.remove_prefix(end + 1);
        if (path.empty())
            return false;
    }
    return true;
}

} // namespace

bool isPlainAbsolutePath(const std::string& path)
{
    return path.size() > 1 && path.front() == '/' && plainParts(std::string_view(path).substr(1));
}

bool isPlainRelativePath(const std::string& path)
{
    return !path.empty() && path.front() != '/' && plainParts(path);
}

std::optional<QString> originalPlaceRefusal(const fs::path& original, const fs::path& home,
                                            const FileSystem& fileSystem)
{
    const QString shown = displayText(original);
    if (!isPlainAbsolutePath(original.native()))
        return formatText(I18n::text("restore.unsafe.notPlain"), {shown});
    const fs::path below = original.lexically_relative(home);
    if (below.empty() || below.native().starts_with(".."))
        return formatText(I18n::text("restore.unsafe.outsideHome"), {shown});
    for (const fs::path& part : below) {
        if (isHiddenName(part.native()))
            return formatText(I18n::text("restore.unsafe.hidden"), {shown});
    }
    // Each folder on the way, as far as it exists, where the home's own
    // folders are: a link there would send the item elsewhere.
    const fs::path realHome = fileSystem.resolvedPath(home);
    if (fileSystem.resolvedPath(original.parent_path()) != standardizedPath(realHome / below.parent_path()))
        return formatText(I18n::text("restore.unsafe.link"), {shown});
    return std::nullopt;
}

std::optional<QString> recordRefusal(const RunRecord& record, bool toOriginalPlaces, const fs::path& home,
                                     const FileSystem& fileSystem)
{
    for (const RecordedItem& item : record.items) {
        if (!isPlainRelativePath(item.copy))
            return formatText(I18n::text("restore.unsafe.copy"), {displayText(fs::path(item.copy))});
        for (const RecordedFile& file : item.files) {
            if (!file.path.empty() && !isPlainRelativePath(file.path))
                return formatText(I18n::text("restore.unsafe.copy"), {displayText(fs::path(file.path))});
        }
        if (!isPlainAbsolutePath(item.original))
            return formatText(I18n::text("restore.unsafe.notPlain"), {displayText(fs::path(item.original))});
        if (toOriginalPlaces) {
            if (auto refusal = originalPlaceRefusal(item.original, home, fileSystem))
                return refusal;
        }
    }
    return std::nullopt;
}
