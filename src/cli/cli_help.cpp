#include "cli/cli_help.h"

namespace {

constexpr const char* scanUsage = "loftwell-cli scan [--json | -0] FOLDER...";
constexpr const char* transferUsage = "loftwell-cli transfer --to DEST [--trash] [--all] FOLDER...";
constexpr const char* programUsage = "loftwell-cli -h | --help | --version";

constexpr const char* scanHelp = "List every item of 20 MiB or more one level inside each FOLDER, safest and\n"
                                 "largest first, one line each: path, location, kind, advice, size in bytes,\n"
                                 "size as shown, separated by tabs. A control character in a name is shown\n"
                                 "escaped, as ls -b does (\\n, \\t, \\\\, \\ooo).\n"
                                 "\n"
                                 "  --json      a JSON array of objects with the same fields; a path that is\n"
                                 "              not UTF-8 also comes as pathBytes, percent-encoded\n"
                                 "  -0, --null  end each line with NUL instead of a newline and write the path\n"
                                 "              unescaped: it is everything before the fifth tab from the end\n"
                                 "  -h, --help  show this help\n";

constexpr const char* transferHelp = "Copy the recommended items in each FOLDER (with --all, every item of 20 MiB\n"
                                     "or more) into DEST/Loftwell/<date>/<folder>/, check each copy against its\n"
                                     "original and, with --trash, move each original whose copy was verified to\n"
                                     "the Trash. Nothing is ever deleted. The report goes to standard output,\n"
                                     "every failed item to standard error as well.\n"
                                     "\n"
                                     "  --to DEST   the folder to copy into (usually on an external drive)\n"
                                     "  --trash     move verified originals to the Trash\n"
                                     "  --all       take every item found, not only the recommended ones\n"
                                     "  -h, --help  show this help\n";

constexpr const char* exitStatus = "\nExit status: 0 all done, 1 some FOLDER could not be read or some item failed\n"
                                   "or was stopped, 2 usage error.\n";

std::string commandName(CliCommand command)
{
    return command == CliCommand::scan ? "scan " : command == CliCommand::transfer ? "transfer " : "";
}

} // namespace

std::string usageText(CliCommand command)
{
    switch (command) {
    case CliCommand::scan: return std::string("usage: ") + scanUsage + "\n";
    case CliCommand::transfer: return std::string("usage: ") + transferUsage + "\n";
    case CliCommand::none: break;
    }
    return std::string("usage: ") + scanUsage + "\n       " + transferUsage + "\n       " + programUsage + "\n";
}

std::string helpText(CliCommand command)
{
    switch (command) {
    case CliCommand::scan: return usageText(command) + "\n" + scanHelp + exitStatus;
    case CliCommand::transfer: return usageText(command) + "\n" + transferHelp + exitStatus;
    case CliCommand::none: break;
    }
    return usageText(command) +
           "\n"
           "Frees space on this computer's disk by moving big personal items to an\n"
           "external drive, without the window.\n"
           "\n"
           "  scan      list the items of 20 MiB or more in each FOLDER, with advice\n"
           "  transfer  copy them into DEST, verify, and optionally move the originals\n"
           "            to the Trash\n"
           "\n"
           "'loftwell-cli COMMAND --help' tells more about each.\n" +
           exitStatus;
}

std::string usageErrorText(CliCommand command, const std::string& problem)
{
    return "loftwell-cli: " + problem + "\n" + usageText(command) + "Try 'loftwell-cli " + commandName(command) +
           "--help' for more information.\n";
}
