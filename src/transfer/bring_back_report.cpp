#include "transfer/bring_back_report.h"

#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"

BringBackReport makeBringBackReport(const std::vector<BringBackItem>& items, const BringBackResult& result)
{
    BringBackReport report;
    if (!result.refused.isEmpty()) {
        report.title = formatText(I18n::text("restore.title.some"), {std::int64_t{0}, std::int64_t(items.size())});
        report.lines.append(result.refused);
        report.failures.append(result.refused);
        return report;
    }
    std::int64_t back = 0;
    for (std::size_t i = 0; i < items.size() && i < result.items.size(); ++i) {
        const BroughtBack& item = result.items[i];
        const QString original = displayText(items[i].original);
        if (!item.at) {
            const QString line = formatText(I18n::text("restore.failed"), {original, item.failure});
            report.lines.append(line);
            report.failures.append(line);
            continue;
        }
        ++back;
        if (item.beside)
            report.lines.append(formatText(I18n::text("restore.beside"), {original, displayText(*item.at)}));
        else if (item.fromTrash)
            report.lines.append(formatText(I18n::text("restore.fromTrash"), {displayText(*item.at)}));
        else
            report.lines.append(formatText(I18n::text("restore.fromDrive"), {displayText(*item.at), items[i].drive}));
    }
    report.allBack = back == std::int64_t(items.size());
    report.title = report.allBack ? formatText(I18n::text("restore.title.all"), {back})
                                  : formatText(I18n::text("restore.title.some"), {back, std::int64_t(items.size())});
    return report;
}
