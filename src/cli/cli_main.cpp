// loftwell-cli: the engine without the window, for scripts and benchmarks.
//   loftwell-cli scan [--json] ROOT...
// Exit status: 0 done, 2 usage error.

#include "cli/scan_report.h"
#include "model/posix_file_system.h"
#include "scan/candidate_scanner.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int usageError = 2;

int usage(const std::string& problem)
{
    std::fprintf(stderr, "loftwell-cli: %s\nusage: loftwell-cli scan [--json] ROOT...\n", problem.c_str());
    return usageError;
}

void writeAll(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

int scanCommand(int argc, char* argv[])
{
    bool json = false;
    bool optionsEnded = false;
    std::vector<std::filesystem::path> roots;
    for (int i = 2; i < argc; ++i) {
        const char* argument = argv[i];
        if (!optionsEnded && std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
        } else if (!optionsEnded && std::strcmp(argument, "--json") == 0) {
            json = true;
        } else if (!optionsEnded && argument[0] == '-' && argument[1] != '\0') {
            return usage(std::string("unknown option ") + argument);
        } else if (argument[0] == '\0') {
            return usage("an empty folder name");
        } else {
            std::error_code error;
            std::filesystem::path root = std::filesystem::absolute(argument, error);
            roots.push_back(error ? std::filesystem::path(argument) : root);
        }
    }
    if (roots.empty())
        return usage("scan needs at least one folder");

    PosixFileSystem fileSystem;
    const std::vector<Candidate> candidates = scanCandidates(roots, fileSystem);
    writeAll(json ? candidatesAsJson(candidates) : candidatesAsLines(candidates));
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv); // locale and language as the window has them
    if (argc < 2)
        return usage("no command");
    if (std::strcmp(argv[1], "scan") == 0)
        return scanCommand(argc, argv);
    return usage(std::string("unknown command ") + argv[1]);
}
