#include "controller/moved_items_display.h"

#include "model/byte_format.h"
#include "model/path_text.h"
#include "model/text_format.h"

namespace {

QString stateText(ItemState state, I18n::Language language)
{
    switch (state) {
    case ItemState::moved: return I18n::text("history.state.moved", language);
    case ItemState::copied: return I18n::text("history.state.copied", language);
    case ItemState::copiedNotChecked: return I18n::text("history.state.copiedNotChecked", language);
    case ItemState::notCopied: break;
    }
    return I18n::text("history.state.notCopied", language);
}

QString wayText(const RunNow& run, std::size_t index, I18n::Language language)
{
    const ItemWhere& where = run.items[index];
    const QString drive = driveName(run.entry.drive);
    switch (where.way) {
    case BringBackWay::trash: return I18n::text("history.way.trash", language);
    case BringBackWay::drive:
        return formatText(I18n::text("history.way.drive", language), {drive, displayText(run.runsNow->parent_path())});
    case BringBackWay::plugIn: return formatText(I18n::text("history.way.plugIn", language), {drive});
    case BringBackWay::broughtBack:
        return formatText(I18n::text("history.way.broughtBack", language),
                          {displayText(std::filesystem::path(run.entry.items[index].broughtBackTo))});
    case BringBackWay::notCopied: break;
    }
    return I18n::text("history.way.notCopied", language);
}

} // namespace

MovedItemsDisplay movedItemsDisplay(const HistoryNow& history, I18n::Language language)
{
    MovedItemsDisplay display;
    display.empty = I18n::text("history.empty", language);
    for (const std::filesystem::path& aside : history.setAside)
        display.notice = formatText(I18n::text("history.setAside", language), {displayText(aside)});
    for (const RunNow& run : history.runs) {
        MovedRunRow row;
        row.title = formatText(I18n::text("history.run", language),
                               {run.entry.record.started.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                                driveName(run.entry.drive), std::int64_t(run.entry.items.size()),
                                formatBytes(recordedBytes(run.entry.record))});
        bool plugIn = false;
        for (std::size_t i = 0; i < run.entry.items.size(); ++i) {
            const BringBackWay way = run.items[i].way;
            const bool ready = way == BringBackWay::trash || way == BringBackWay::drive;
            display.anyReady = display.anyReady || ready;
            plugIn = plugIn || way == BringBackWay::plugIn;
            row.items.push_back({displayText(std::filesystem::path(run.entry.items[i].original)),
                                 stateText(run.entry.items[i].state, language), wayText(run, i, language), ready});
        }
        // Said once for the run: the drive its items wait for.
        if (plugIn)
            row.note = formatText(I18n::text("restore.plugIn", language), {driveName(run.entry.drive)});
        display.runs.push_back(std::move(row));
    }
    return display;
}
