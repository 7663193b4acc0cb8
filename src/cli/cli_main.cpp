// loftwell-cli: the engine without the window, for scripts and benchmarks.
//   loftwell-cli scan [--json] ROOT...
//   loftwell-cli transfer --to DEST [--trash] [--all] ROOT...
// The transfer takes what the window ticks after a scan (the recommended
// items), or every candidate with --all; the command itself is the
// confirmation. Exit status: 0 done, 1 some item failed, 2 usage error.

#include "cli/scan_report.h"
#include "cli/stop_on_signal.h"
#include "cli/terminal_progress.h"
#include "desktop/session_buses.h"
#include "desktop/sleep_inhibitor.h"
#include "fs/open_file_limit.h"
#include "fs/posix_file_system.h"
#include "scan/candidate_scanner.h"
#include "transfer/same_disk.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_report.h"

#include <QCoreApplication>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int usageError = 2;

int usage(const std::string& problem)
{
    std::fprintf(stderr,
                 "loftwell-cli: %s\n"
                 "usage: loftwell-cli scan [--json] ROOT...\n"
                 "       loftwell-cli transfer --to DEST [--trash] [--all] ROOT...\n",
                 problem.c_str());
    return usageError;
}

void writeAll(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

// On a terminal, standard error shows what the scan is measuring, on one
// line that is cleared at the end; elsewhere nothing.
std::function<void(const std::filesystem::path&)> measuringLine()
{
    if (::isatty(STDERR_FILENO) != 1)
        return {};
    return [](const std::filesystem::path& item) {
        if (item.empty()) {
            std::fputs("\r\033[K", stderr);
            return;
        }
        // The end of a long path says most; a wrapped line could not be rewritten.
        QString shown = QString::fromLocal8Bit(QByteArray::fromStdString(item.native()));
        if (shown.size() > 70)
            shown = QStringLiteral("…") + shown.right(69);
        std::fprintf(stderr, "\r\033[K%s", shown.toUtf8().constData());
        std::fflush(stderr);
    };
}

std::filesystem::path absolutePath(const char* argument)
{
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(argument, error);
    return error ? std::filesystem::path(argument) : path;
}

struct Arguments {
    std::vector<std::filesystem::path> roots;
    std::vector<std::string> flags;
    std::optional<std::filesystem::path> destination;
    std::string problem;
};

// Flags from `known`, "--to DEST" when `takesDestination`, and folders.
Arguments parseArguments(int argc, char* argv[], const std::vector<std::string>& known, bool takesDestination)
{
    Arguments arguments;
    bool optionsEnded = false;
    for (int i = 2; i < argc && arguments.problem.empty(); ++i) {
        const std::string argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && takesDestination && argument == "--to") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                arguments.problem = "--to needs a folder";
            else
                arguments.destination = absolutePath(argv[++i]);
        } else if (!optionsEnded && std::find(known.begin(), known.end(), argument) != known.end()) {
            arguments.flags.push_back(argument);
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            arguments.problem = "unknown option " + argument;
        } else if (argument.empty()) {
            arguments.problem = "an empty folder name";
        } else {
            arguments.roots.push_back(absolutePath(argv[i]));
        }
    }
    if (arguments.problem.empty() && arguments.roots.empty())
        arguments.problem = "at least one folder to scan is needed";
    return arguments;
}

bool hasFlag(const Arguments& arguments, const char* flag)
{
    return std::find(arguments.flags.begin(), arguments.flags.end(), flag) != arguments.flags.end();
}

int transferCommand(int argc, char* argv[])
{
    const Arguments arguments = parseArguments(argc, argv, {"--trash", "--all"}, true);
    if (!arguments.problem.empty())
        return usage(arguments.problem);
    if (!arguments.destination)
        return usage("transfer needs --to DEST");
    const bool trash = hasFlag(arguments, "--trash");
    const bool all = hasFlag(arguments, "--all");

    const std::stop_token stop = stopOnTerminationSignals();
    PosixFileSystem fileSystem;
    std::vector<Candidate> items;
    for (Candidate& candidate : scanCandidates(arguments.roots, fileSystem, stop, measuringLine())) {
        if (all || candidate.selected())
            items.push_back(std::move(candidate));
    }
    // Said, and gone on with: the user may want the copies there all the same.
    if (anyOnDestinationDisk(items, *arguments.destination, fileSystem))
        std::fprintf(stderr, "%s\n", I18n::text("alert.confirm.sameDisk").trimmed().toUtf8().constData());
    // A terminal sees one line that moves; a pipe or file, one line an item.
    const bool terminal = ::isatty(STDOUT_FILENO) == 1;
    TerminalProgress line(stdout);
    // The computer stays awake while the transfer runs, and not a moment longer.
    auto awake = std::make_optional<SleepInhibitor>(defaultSystemBus(), defaultSessionBus(),
                                                    QStringLiteral("loftwell-cli"), I18n::text("desktop.keepAwake"));
    const TransferResult result = transfer(
        items, *arguments.destination, trash,
        [&](std::int64_t index, std::int64_t total, const QString& name) {
            if (terminal) {
                line.startItem(index, total, name);
                return;
            }
            std::printf("%lld / %lld %s\n", static_cast<long long>(index), static_cast<long long>(total),
                        name.toUtf8().constData());
            std::fflush(stdout);
        },
        fileSystem, QDateTime::currentDateTime(), stop,
        [&](const ItemProgress& item) {
            if (terminal)
                line.update(item);
        });
    awake.reset();
    if (terminal)
        line.finish();
    const TransferReport report = makeTransferReport(result);
    std::printf("%s\n%s\n", report.title.toUtf8().constData(), report.message.toUtf8().constData());
    std::fflush(stdout); // a reader gone or a full disk must not change what the transfer did
    return result.failures.isEmpty() ? 0 : 1;
}

int scanCommand(int argc, char* argv[])
{
    const Arguments arguments = parseArguments(argc, argv, {"--json"}, false);
    if (!arguments.problem.empty())
        return usage(arguments.problem);
    const bool json = hasFlag(arguments, "--json");
    const std::vector<std::filesystem::path>& roots = arguments.roots;

    PosixFileSystem fileSystem;
    const std::vector<Candidate> candidates = scanCandidates(roots, fileSystem, {}, measuringLine());
    writeAll(json ? candidatesAsJson(candidates) : candidatesAsLines(candidates));
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

constexpr const char* helpText = "usage: loftwell-cli scan [--json] FOLDER...\n"
                                 "       loftwell-cli transfer --to DEST [--trash] [--all] FOLDER...\n"
                                 "       loftwell-cli --help | --version\n"
                                 "\n"
                                 "scan      list every item of 20 MiB or more one level inside each FOLDER,\n"
                                 "          safest and largest first: path, location, kind, advice, bytes, size\n"
                                 "          (tab-separated; --json for a JSON array)\n"
                                 "transfer  copy the recommended items (--all: every item) into\n"
                                 "          DEST/Loftwell/<date>/<folder>/, verify each copy and, with --trash,\n"
                                 "          move each verified original to the Trash\n"
                                 "\n"
                                 "Exit status: 0 done, 1 some item did not complete, 2 usage error.\n";

int main(int argc, char* argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(helpText, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("loftwell-cli %s\n", LOFTWELL_VERSION);
        return 0;
    }
    QCoreApplication application(argc, argv); // locale and language as the window has them
    // A reader that goes away (`| head -1`) must not end a transfer halfway:
    // the writes fail instead, and the work and its exit status go on.
    std::signal(SIGPIPE, SIG_IGN);
    raiseOpenFileLimit();
    if (argc < 2)
        return usage("no command");
    if (std::strcmp(argv[1], "scan") == 0)
        return scanCommand(argc, argv);
    if (std::strcmp(argv[1], "transfer") == 0)
        return transferCommand(argc, argv);
    return usage(std::string("unknown command ") + argv[1]);
}
