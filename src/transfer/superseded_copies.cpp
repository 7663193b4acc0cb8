#include "transfer/superseded_copies.h"

#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "transfer/copy_names.h"
#include "transfer/made_copy.h"

QStringList removeSupersededCopies(const std::vector<Candidate>& items, const std::filesystem::path& to,
                                   const TransferResult& result, const EarlierCopies& superseded,
                                   const FileSystem& fileSystem)
{
    QStringList lines;
    // A drive that gave back what it was not given keeps everything it holds.
    if (result.driveFault)
        return lines;
    const std::filesystem::path base = result.destinationMoved.value_or(to);
    for (std::size_t i = 0; i < items.size() && i < result.states.size(); ++i) {
        if (result.states[i] != ItemState::moved && result.states[i] != ItemState::copied)
            continue;
        const EarlierCopy* earlier = superseded.of(items[i].sourceURL());
        if (!earlier || !isUncheckedName(earlier->name))
            continue;
        const std::filesystem::path folder = base / earlier->folder.lexically_relative(to);
        auto held = fileSystem.holdFolder(folder);
        if (!held || !fileSystem.removeUnfinishedCopy(held.value(), earlier->name))
            continue; // left as it was: said nowhere, lost nothing
        lines.append(
            formatText(I18n::text("report.supersededCopy"),
                       {items[i].rootName() + u'/' + displayName(items[i]), displayText(folder / earlier->name)}));
    }
    return lines;
}
