#include "cli/readable_folders.h"

#include "cli/shown_name.h"
#include "fs/error_description.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"

#include <cerrno>

namespace {

QString reason(std::error_code code)
{
    if (code == std::error_code(ENOENT, std::system_category()))
        return I18n::text("cli.noSuchFolder");
    if (code == std::error_code(ENOTDIR, std::system_category()))
        return I18n::text("cli.notAFolder");
    return errorDescription(code);
}

} // namespace

std::vector<std::filesystem::path> readableFolders(const std::vector<std::filesystem::path>& folders,
                                                   const FileSystem& fileSystem,
                                                   const std::function<void(const QString&)>& complain)
{
    std::vector<std::filesystem::path> readable;
    for (const std::filesystem::path& folder : folders) {
        // Opening it for reading says what listing it would, without reading it twice.
        const auto held = fileSystem.holdFolder(folder);
        if (held) {
            readable.push_back(folder);
            continue;
        }
        complain(formatText(I18n::text("cli.cannotRead"),
                            {QString::fromUtf8(escapedName(folder.native())), reason(held.error().code)}));
    }
    return readable;
}
