#include "transfer/transfer_report.h"

#include "model/byte_format.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"

#include <algorithm>
#include <array>

namespace {

struct StateGroup {
    ItemState state;
    const char* heading;
};

// The order the report lists them in: what is on the drive first.
constexpr std::array<StateGroup, 3> groups{{
    {ItemState::copiedNotChecked, "alert.unchecked"},
    {ItemState::copied, "alert.copiedKept"},
    {ItemState::notCopied, "alert.notCopied"},
}};

// A heading with its count and its first lines, or nothing where there are none.
QString linesUnder(const char* heading, const QStringList& lines)
{
    if (lines.isEmpty())
        return {};
    QStringList shown = lines.mid(0, reportedFailureLines);
    if (shown.size() < lines.size())
        shown.append(QStringLiteral("..."));
    return formatText(I18n::text(heading), {std::int64_t(lines.size()), shown.join(u'\n')});
}

} // namespace

TransferReport makeTransferReport(const TransferResult& result)
{
    TransferReport report;
    report.title = I18n::text(result.failures.isEmpty() ? "alert.done" : "alert.partial");
    // A folder is named only where it holds a copy: a run that saved nothing
    // made none, or removed it again.
    // Where every item had its copy from an earlier run, that run's folder is named instead.
    if (result.savedCopies)
        report.message = formatText(I18n::text("alert.destination"), {displayText(result.destination)});
    else if (result.earlierCopyLines.isEmpty())
        report.message = I18n::text("alert.nothingSaved");
    // Only what happened: not when every item failed or the run stopped first.
    if (result.trashed > 0) {
        report.message += I18n::text("alert.trashed");
        // The space comes back only when the Trash is emptied, and not at all
        // where the copies went to the same disk: say which.
        report.message += formatText(I18n::text(result.sameDisk ? "alert.trashedSizeSameDisk" : "alert.trashedSize"),
                                     {formatBytes(result.trashedBytes)});
    }
    report.message += linesUnder("alert.earlierCopies", result.earlierCopyLines);
    report.message += linesUnder("alert.supersededCopies", result.supersededLines);
    int linesLeft = reportedFailureLines;
    for (const StateGroup& group : groups) {
        QStringList lines;
        std::int64_t count = 0;
        for (qsizetype i = 0; i < result.failures.size(); ++i) {
            // A line of no item (the run's folders could not be made) goes with the items not copied.
            const bool ofItem = std::size_t(i) < result.failedItems.size();
            if ((ofItem ? result.failedItems[std::size_t(i)].state : ItemState::notCopied) != group.state)
                continue;
            lines.append(result.failures[i]);
            count += ofItem ? 1 : 0;
        }
        if (lines.isEmpty())
            continue;
        if (result.destinationFailed)
            count = std::int64_t(result.states.size());
        QStringList shown = lines.mid(0, linesLeft);
        linesLeft -= int(shown.size());
        if (shown.size() < lines.size())
            shown.append(QStringLiteral("..."));
        // Nobody saw the copies whole where the drive did not come back.
        const bool driveGone = group.state == ItemState::copiedNotChecked &&
                               std::ranges::any_of(result.failedItems, [](const ItemFailure& failure) {
                                   return failure.error.code == FsErrc::driveNotMountedBack;
                               });
        report.message +=
            formatText(I18n::text(driveGone ? "alert.uncheckedDriveGone" : group.heading), {count, shown.join(u'\n')});
    }
    while (report.message.startsWith(u'\n'))
        report.message.remove(0, 1);
    // A drive that gave back what it was not given comes first, whatever else happened.
    if (result.driveFault)
        report.message = I18n::text("alert.driveFault") + QStringLiteral("\n\n") + report.message;
    return report;
}

QString itemStatesText(const TransferResult& result)
{
    if (result.driveFault)
        return I18n::text("notify.driveFault");
    constexpr std::array<std::pair<ItemState, const char*>, 4> names{{
        {ItemState::moved, "state.moved"},
        {ItemState::copied, "state.copied"},
        {ItemState::copiedNotChecked, "state.unchecked"},
        {ItemState::notCopied, "state.notCopied"},
    }};
    QStringList parts;
    for (const auto& [state, key] : names) {
        if (const auto count = std::ranges::count(result.states, state); count > 0)
            parts.append(formatText(I18n::text(key), {std::int64_t(count)}));
    }
    return parts.join(I18n::text("state.separator"));
}
