#include "cli/cli_output.h"
#include "cli/history_commands.h"
#include "cli/shown_name.h"
#include "cli/stop_on_signal.h"
#include "fs/posix_file_system.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "transfer/bring_back_plan.h"
#include "transfer/bring_back_report.h"
#include "transfer/history_now.h"
#include "transfer/restore_safety.h"

#include <cstdio>
#include <iostream>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Chosen {
    std::vector<BringBackItem> items;
    std::vector<ItemRef> refs; // where each item is in the history
    QStringList missingDrives; // drives to plug in first
    bool refused = false;
};

fs::path targetOf(const std::string& original, const CliArguments& arguments)
{
    return arguments.destination ? *arguments.destination / lastPathComponent(original) : fs::path(original);
}

// From this computer's history, newest run first: each original once.
Chosen chooseFromHistory(const HistoryNow& history, const CliArguments& arguments)
{
    Chosen chosen;
    std::set<std::string> taken;
    for (std::size_t run = 0; run < history.runs.size(); ++run) {
        const RunNow& now = history.runs[run];
        for (std::size_t i = 0; i < now.entry.items.size(); ++i) {
            const HistoryItem& item = now.entry.items[i];
            if (!recordedItemOf(now.entry.record, item.original) || !chosenBy(item.original, arguments.folders) ||
                !taken.insert(item.original).second)
                continue;
            if (now.items[i].way == BringBackWay::broughtBack) {
                complain(formatText(I18n::text("restore.alreadyBack"),
                                    {escapedName(displayText(fs::path(item.original))),
                                     escapedName(displayText(fs::path(item.broughtBackTo)))}));
                continue;
            }
            chosen.refs.push_back({run, i});
        }
    }
    chosen.items = bringBackItems(history, chosen.refs, arguments.destination);
    chosen.missingDrives = drivesToPlugIn(history, chosen.refs);
    return chosen;
}

// From the records on the drive alone, untrusted: into --to FOLDER, or to
// the original places once the user has seen them and agreed.
Chosen chooseFromDrive(const CliArguments& arguments, const FileSystem& fileSystem)
{
    Chosen chosen;
    const bool toOriginalPlaces = !arguments.destination;
    const DriveRuns found = readDriveRuns(*arguments.from, toOriginalPlaces, fileSystem);
    for (const QString& refusal : found.refused)
        complain(escapedName(refusal));
    chosen.refused = !found.refused.isEmpty();
    const QString drive = fileSystem.volumeValues(*arguments.from).name.value_or(displayText(*arguments.from));
    std::set<std::string> taken;
    for (const DriveRun& run : found.runs) {
        for (const RecordedItem& item : run.record.items) {
            if (!chosenBy(item.original, arguments.folders) || !taken.insert(item.original).second)
                continue;
            chosen.items.push_back({item.original,
                                    targetOf(item.original, arguments),
                                    {},
                                    run.runsFolder / item.copy,
                                    run.runsFolder,
                                    item,
                                    drive,
                                    false});
        }
    }
    return chosen;
}

bool confirmed(const Chosen& chosen)
{
    for (const BringBackItem& item : chosen.items)
        std::fprintf(stderr, "  %s\n", escapedName(std::string_view(item.original.native())).constData());
    std::fputs(formatText(I18n::text("restore.confirm"), {std::int64_t(chosen.items.size())}).toUtf8().constData(),
               stderr);
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

} // namespace

int restoreCommand(const CliArguments& arguments)
{
    const std::stop_token stop = stopOnTerminationSignals();
    PosixFileSystem fileSystem;
    HistoryNow history;
    Chosen chosen;
    if (arguments.from) {
        chosen = chooseFromDrive(arguments, fileSystem);
    } else {
        history = historyNow(defaultHistoryFolder(fileSystem.homeDirectory()), fileSystem);
        for (const fs::path& aside : history.setAside)
            complain(formatText(I18n::text("history.setAside"), {escapedName(displayText(aside))}));
        for (const QString& refusal : history.refused)
            complain(escapedName(refusal));
        chosen = chooseFromHistory(history, arguments);
    }
    if (chosen.items.empty()) {
        if (!chosen.refused) {
            for (const fs::path& path : arguments.folders)
                complain(formatText(I18n::text("restore.nothing"), {escapedName(displayText(path))}));
        }
        return 1;
    }
    // All or nothing: a drive not here stops the whole bring-back before anything is written.
    if (!chosen.missingDrives.isEmpty()) {
        complain(formatText(I18n::text("restore.plugIn"), {escapedName(chosen.missingDrives.join(u", "))}));
        return 1;
    }
    if (arguments.from && !arguments.destination && !confirmed(chosen)) {
        complain(I18n::text("restore.notConfirmed"));
        return 1;
    }
    const BringBackResult result = bringBack(
        chosen.items, fileSystem,
        [](std::int64_t index, std::int64_t total, const QString& name) {
            std::printf("%lld / %lld %s\n", static_cast<long long>(index), static_cast<long long>(total),
                        escapedName(name).toUtf8().constData());
            std::fflush(stdout);
        },
        {}, stop);
    // Each item back is marked in the history, so it is not offered again.
    if (!arguments.from && !markBroughtBack(history, chosen.refs, result))
        complain(I18n::text("history.notMarked"));
    const BringBackReport report = makeBringBackReport(chosen.items, result);
    for (const QString& failure : report.failures)
        complain(escapedName(failure));
    std::printf("%s\n", escapedName(report.title).toUtf8().constData());
    for (const QString& line : report.lines)
        std::printf("%s\n", escapedName(line).toUtf8().constData());
    std::fflush(stdout);
    return report.allBack && !chosen.refused ? 0 : 1;
}
