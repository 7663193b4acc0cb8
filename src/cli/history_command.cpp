#include "cli/cli_output.h"
#include "cli/history_commands.h"
#include "cli/shown_name.h"
#include "fs/posix_file_system.h"
#include "model/byte_format.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "transfer/history_now.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <cstdio>

namespace {

QString stateText(ItemState state)
{
    switch (state) {
    case ItemState::moved: return I18n::text("history.state.moved");
    case ItemState::copied: return I18n::text("history.state.copied");
    case ItemState::copiedNotChecked: return I18n::text("history.state.copiedNotChecked");
    case ItemState::notCopied: break;
    }
    return I18n::text("history.state.notCopied");
}

// The same in every language, for scripts.
QString stateKey(ItemState state)
{
    constexpr std::array keys{"moved", "copied", "copiedNotChecked", "notCopied"};
    return QString::fromLatin1(keys.at(std::size_t(state)));
}

QString wayKey(BringBackWay way)
{
    constexpr std::array keys{"trash", "drive", "plugIn", "notCopied", "broughtBack"};
    return QString::fromLatin1(keys.at(std::size_t(way)));
}

QString wayText(const HistoryEntry& entry, const HistoryItem& item, const ItemWhere& where,
                const std::optional<std::filesystem::path>& runsNow)
{
    switch (where.way) {
    case BringBackWay::trash: return I18n::text("history.way.trash");
    case BringBackWay::drive:
        return formatText(I18n::text("history.way.drive"),
                          {driveName(entry.drive), displayText(runsNow->parent_path())});
    case BringBackWay::plugIn: return formatText(I18n::text("history.way.plugIn"), {driveName(entry.drive)});
    case BringBackWay::broughtBack:
        return formatText(I18n::text("history.way.broughtBack"),
                          {displayText(std::filesystem::path(item.broughtBackTo))});
    case BringBackWay::notCopied: break;
    }
    return I18n::text("history.way.notCopied");
}

QJsonObject runJson(const RunNow& run)
{
    const HistoryEntry& entry = run.entry;
    QJsonArray items;
    for (std::size_t i = 0; i < entry.items.size(); ++i) {
        const HistoryItem& item = entry.items[i];
        const ItemWhere& where = run.items[i];
        QJsonObject object;
        putBytesName(object, QStringLiteral("original"), item.original);
        object.insert(QStringLiteral("state"), stateKey(item.state));
        object.insert(QStringLiteral("way"), wayKey(where.way));
        if (const RecordedItem* recorded = recordedItemOf(entry.record, item.original)) {
            object.insert(QStringLiteral("location"), recorded->location);
            object.insert(QStringLiteral("folder"), recorded->folder);
            object.insert(QStringLiteral("sizeBytes"), qint64(recorded->sizeBytes));
        }
        if (!where.trashed.empty())
            putBytesName(object, QStringLiteral("trashed"), where.trashed.native());
        if (!where.copy.empty())
            putBytesName(object, QStringLiteral("copy"), where.copy.native());
        if (!item.broughtBackTo.empty())
            putBytesName(object, QStringLiteral("broughtBackTo"), item.broughtBackTo);
        items.append(object);
    }
    QJsonObject drive{{QStringLiteral("label"), entry.drive.label},
                      {QStringLiteral("uuid"), entry.drive.uuid},
                      {QStringLiteral("mounted"), run.runsNow.has_value()}};
    putBytesName(drive, QStringLiteral("mountPoint"), entry.drive.mountPoint.native());
    return {{QStringLiteral("started"), entry.record.started.toString(Qt::ISODate)},
            {QStringLiteral("computer"), entry.record.computer},
            {QStringLiteral("user"), entry.record.user},
            {QStringLiteral("drive"), drive},
            {QStringLiteral("sizeBytes"), qint64(recordedBytes(entry.record))},
            {QStringLiteral("items"), items}};
}

void printRun(const RunNow& run)
{
    const HistoryEntry& entry = run.entry;
    const QString title =
        formatText(I18n::text("history.run"),
                   {entry.record.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), driveName(entry.drive),
                    std::int64_t(entry.items.size()), formatBytes(recordedBytes(entry.record))});
    std::printf("%s\n", escapedName(title).toUtf8().constData());
    for (std::size_t i = 0; i < entry.items.size(); ++i) {
        const HistoryItem& item = entry.items[i];
        const QString way = wayText(entry, item, run.items[i], run.runsNow);
        std::printf("  %s  %s  %s\n", stateText(item.state).toUtf8().constData(),
                    escapedName(std::string_view(item.original)).constData(), escapedName(way).toUtf8().constData());
    }
}

} // namespace

int historyCommand(const CliArguments& arguments)
{
    PosixFileSystem fileSystem;
    const HistoryNow history = historyNow(defaultHistoryFolder(fileSystem.homeDirectory()), fileSystem);
    for (const std::filesystem::path& aside : history.setAside)
        complain(formatText(I18n::text("history.setAside"), {escapedName(displayText(aside))}));
    for (const QString& refusal : history.refused)
        complain(escapedName(refusal));
    if (arguments.json) {
        QJsonArray runs;
        for (const RunNow& run : history.runs)
            runs.append(runJson(run));
        writeAll(QJsonDocument(QJsonObject{{QStringLiteral("runs"), runs}}).toJson(QJsonDocument::Indented));
    } else if (history.runs.empty()) {
        complain(I18n::text("history.empty"));
    } else {
        for (const RunNow& run : history.runs)
            printRun(run);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
