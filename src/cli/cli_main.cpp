// loftwell-cli: the engine without the window, for scripts and benchmarks.
// Results go to standard output; errors, warnings and the live lines to
// standard error. Exit status: 0 all done, 1 some folder could not be read
// or some item failed or was stopped, 2 usage error. See cli_help.cpp.

#include "cli/cli_arguments.h"
#include "cli/cli_help.h"
#include "cli/cli_output.h"
#include "cli/history_commands.h"
#include "cli/measuring_line.h"
#include "cli/readable_folders.h"
#include "cli/scan_report.h"
#include "cli/shown_name.h"
#include "cli/stop_on_signal.h"
#include "cli/terminal_progress.h"
#include "desktop/session_buses.h"
#include "desktop/sleep_inhibitor.h"
#include "desktop/udisks_eject.h"
#include "desktop/udisks_remount.h"
#include "fs/open_file_limit.h"
#include "fs/posix_file_system.h"
#include "model/byte_format.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "scan/candidate_scanner.h"
#include "scan/exact_items.h"
#include "transfer/run_history.h"
#include "transfer/transfer_report.h"
#include "transfer/transfer_sequence.h"

#include <QCoreApplication>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int usageError = 2;

// What an eject ended in, said as a file manager would: true where the drive may be pulled.
bool sayEjected(const EjectResult& result, const QString& name)
{
    switch (result.outcome) {
    case EjectResult::Outcome::ejected:
        std::printf("%s\n", formatText(I18n::text("alert.ejected"), {name}).toUtf8().constData());
        return true;
    case EjectResult::Outcome::busy: complain(formatText(I18n::text("alert.ejectBusy"), {name})); break;
    case EjectResult::Outcome::otherMounted:
        complain(formatText(I18n::text("alert.ejectOtherPart"), {name, result.reason}));
        break;
    case EjectResult::Outcome::refused:
        complain(formatText(I18n::text("alert.ejectRefused"), {name, result.reason}));
        break;
    }
    return false;
}

// The command line's way of asking and showing: options answer the
// questions, the report goes to standard output, each failure and warning
// to standard error too.
class CliFront : public TransferFront {
public:
    CliFront(const CliArguments& arguments, TerminalProgress& line, bool terminal)
        : arguments_(arguments), line_(line), terminal_(terminal)
    {
    }

    bool refused() const { return refused_; }
    bool ejectFailed() const { return ejectFailed_; }

    EarlierAnswer askAboutEarlier(const EarlierCopies& found) override
    {
        if (arguments_.continueEarlier)
            return EarlierAnswer::use;
        complain(formatText(I18n::text("cli.couldContinue"), {found.count(), escapedName(found.runs().join(u", "))}));
        return EarlierAnswer::copyAgain;
    }

    void refuseForSpace(const TransferPlan& plan) override
    {
        complain(formatText(I18n::text("alert.notEnoughSpace.message"),
                            {formatBytes(plan.toWrite()), formatBytes(plan.freeBytes)}));
        refused_ = true;
    }

    bool confirm(const TransferPlan& plan) override
    {
        // Said, and gone on with: the user may want the copies there all the same.
        if (plan.sameDisk)
            complain(I18n::text("alert.confirm.sameDisk").trimmed());
        return true;
    }

    bool report(const TransferResult& result, const EjectOffer& offer) override
    {
        if (terminal_)
            line_.finish();
        // Each failed item on standard error too; in both, a name cannot break a line.
        TransferResult shown = result;
        for (QString& failure : shown.failures) {
            failure = escapedName(failure);
            complain(failure);
        }
        for (QString& earlier : shown.earlierCopyLines)
            earlier = escapedName(earlier);
        const TransferReport report = makeTransferReport(shown);
        std::printf("%s\n%s\n", report.title.toUtf8().constData(), report.message.toUtf8().constData());
        std::fflush(stdout); // a reader gone or a full disk must not change what the transfer did
        if (!arguments_.eject || !offer.used)
            return false;
        if (!offer.name) {
            complain(formatText(I18n::text("cli.notEjectable"),
                                {displayText(result.destinationMoved.value_or(*arguments_.destination))}));
            ejectFailed_ = true;
            return false;
        }
        return true;
    }

    void ejected(const EjectResult& result, const QString& name) override { ejectFailed_ = !sayEjected(result, name); }

private:
    const CliArguments& arguments_;
    TerminalProgress& line_;
    const bool terminal_;
    bool refused_ = false;
    bool ejectFailed_ = false;
};

// --items: every PATH one item, checked before anything is written; none
// (each refusal said) where one cannot be moved.
std::optional<std::vector<Candidate>> namedItems(const CliArguments& arguments, const FileSystem& fileSystem,
                                                 const std::stop_token& stop)
{
    bool refused = false;
    for (const std::filesystem::path& path : arguments.folders) {
        // Without its trailing "/", as it is moved: "link/" would follow the link.
        const auto values = fileSystem.itemValues(standardizedPath(path));
        const char* reason = !values                                              ? "cli.noSuchFolder"
                             : values.value().isSymbolicLink()                    ? "cli.itemIsLink"
                             : isInside(*arguments.destination, path, fileSystem) ? "cli.itemHoldsDestination"
                                                                                  : nullptr;
        if (reason) {
            complain(displayText(path) + QStringLiteral(": ") + I18n::text(reason));
            refused = true;
        }
    }
    if (refused)
        return std::nullopt;
    std::vector<DroppedItem> dropped;
    outermostItems(arguments.folders, &dropped);
    for (const DroppedItem& item : dropped) {
        complain(item.item == item.keptWith
                     ? formatText(I18n::text("cli.itemRepeated"), {displayText(item.item)})
                     : formatText(I18n::text("cli.itemInside"), {displayText(item.item), displayText(item.keptWith)}));
    }
    return exactCandidates(arguments.folders, fileSystem, stop);
}

int transferCommand(const CliArguments& arguments)
{
    const std::stop_token stop = stopOnTerminationSignals();
    PosixFileSystem fileSystem;
    std::vector<Candidate> items;
    if (arguments.items) {
        auto named = namedItems(arguments, fileSystem, stop);
        if (!named)
            return usageError;
        items = std::move(*named);
    }
    const std::vector<std::filesystem::path> folders =
        arguments.items ? arguments.folders : readableFolders(arguments.folders, fileSystem, complain);
    const bool allRead = folders.size() == arguments.folders.size();
    // Nothing is made on the drive for a transfer that has nothing to take.
    if (folders.empty()) {
        complain(I18n::text("cli.noReadableFolder"));
        return 1;
    }
    std::vector<Candidate> found;
    if (!arguments.items) {
        MeasuringLine measuring;
        found = scanCandidates(folders, fileSystem, stop, measuring.observer(), measuring.tally());
    }
    for (Candidate& candidate : found) {
        if (arguments.all || candidate.selected())
            items.push_back(std::move(candidate));
    }
    if (items.empty()) {
        complain(I18n::text("cli.nothingToTransfer"));
        return allRead ? 0 : 1;
    }
    // A terminal sees one line that moves; a pipe or file, one line an item.
    const bool terminal = ::isatty(STDOUT_FILENO) == 1;
    TerminalProgress line(stdout);
    // The computer stays awake while the transfer runs, and not a moment longer.
    const std::optional<QDBusConnection> systemBus = defaultSystemBus();
    auto awake = std::make_optional<SleepInhibitor>(systemBus, defaultSessionBus(), QStringLiteral("loftwell-cli"),
                                                    I18n::text("desktop.keepAwake"));
    // A drive whose driver answers from memory is unmounted and mounted again before the copies are read back.
    const UdisksRemount remount(systemBus);
    const UdisksEject eject(systemBus);
    TransferServices services{fileSystem, &remount, &eject, nullptr,
                              stop,       {},       {},     defaultHistoryFolder(fileSystem.homeDirectory())};
    services.progress = [&](std::int64_t index, std::int64_t total, const QString& name) {
        if (terminal) {
            line.startItem(index, total, name);
            return;
        }
        std::printf("%lld / %lld %s\n", static_cast<long long>(index), static_cast<long long>(total),
                    escapedName(name).toUtf8().constData());
        std::fflush(stdout);
    };
    services.itemProgress = [&](const ItemProgress& item) {
        if (terminal)
            line.update(item);
    };
    TransferPlan plan;
    plan.items = std::move(items);
    plan.to = *arguments.destination;
    plan.moveToTrash = arguments.trash;
    plan.freeBytes = fileSystem.volumeValues(plan.to).availableBytes.value_or(0);
    CliFront front(arguments, line, terminal);
    const std::optional<TransferResult> result = runTransferSequence(std::move(plan), front, services);
    awake.reset();
    if (!result)
        return 1;
    return result->failures.isEmpty() && !result->driveFault && allRead && !front.ejectFailed() ? 0 : 1;
}

int scanCommand(const CliArguments& arguments)
{
    PosixFileSystem fileSystem;
    const std::vector<std::filesystem::path> folders = readableFolders(arguments.folders, fileSystem, complain);
    std::vector<Candidate> candidates;
    {
        MeasuringLine measuring;
        candidates = scanCandidates(folders, fileSystem, {}, measuring.observer(), measuring.tally());
    }
    writeAll(arguments.json ? candidatesAsJson(candidates)
                            : candidatesAsLines(candidates, arguments.null ? LineEnd::null : LineEnd::newline));
    const bool written = std::fflush(stdout) == 0;
    return written && folders.size() == arguments.folders.size() ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    const CliArguments arguments = parseCliArguments(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    if (arguments.help) {
        std::fputs(helpText(arguments.command).c_str(), stdout);
        return 0;
    }
    if (arguments.version) {
        std::printf("loftwell-cli %s\n", LOFTWELL_VERSION);
        return 0;
    }
    if (!arguments.problem.empty()) {
        std::fputs(usageErrorText(arguments.command, arguments.problem).c_str(), stderr);
        return usageError;
    }
    QCoreApplication application(argc, argv); // locale and language as the window has them
    // A reader that goes away (`| head -1`) must not end a transfer halfway:
    // the writes fail instead, and the work and its exit status go on.
    std::signal(SIGPIPE, SIG_IGN);
    raiseOpenFileLimit();
    switch (arguments.command) {
    case CliCommand::scan: return scanCommand(arguments);
    case CliCommand::history: return historyCommand(arguments);
    case CliCommand::restore: return restoreCommand(arguments);
    default: return transferCommand(arguments);
    }
}
