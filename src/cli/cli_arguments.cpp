#include "cli/cli_arguments.h"

#include "model/text_table.h"

namespace {

// A usage error in the language of the help it comes with.
std::string said(const std::string& english, const std::string& chinese)
{
    return I18n::language() == I18n::Language::chinese ? chinese : english;
}

std::filesystem::path absolutePath(const std::string& argument)
{
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(argument, error);
    return error ? std::filesystem::path(argument) : path;
}

bool isHelp(const std::string& argument)
{
    return argument == "-h" || argument == "--help";
}

// The value of `--name VALUE` or `--name=VALUE` at `i`; none where the
// argument is another.
std::optional<std::string> optionValue(const std::string& name, CliArguments& parsed,
                                       const std::vector<std::string>& arguments, std::size_t& i, const char* needs)
{
    const std::string& argument = arguments[i];
    std::string value;
    if (argument == name) {
        if (i + 1 < arguments.size())
            value = arguments[++i];
    } else if (argument.starts_with(name + "=")) {
        value = argument.substr(name.size() + 1);
    } else {
        return std::nullopt;
    }
    if (value.empty())
        parsed.problem = said(name + " needs " + needs, name + " 需要 " + needs);
    return value;
}

// One option of `command`; false when it is not one of its options.
bool takeOption(CliArguments& parsed, const std::vector<std::string>& arguments, std::size_t& i)
{
    const std::string& argument = arguments[i];
    if (parsed.command == CliCommand::history) {
        return argument == "--json" && (parsed.json = true);
    }
    if (parsed.command == CliCommand::restore) {
        if (const auto to = optionValue("--to", parsed, arguments, i, "FOLDER")) {
            parsed.destination = absolutePath(*to);
            return true;
        }
        if (const auto from = optionValue("--from", parsed, arguments, i, "DRIVE")) {
            parsed.from = absolutePath(*from);
            return true;
        }
        return false;
    }
    if (parsed.command == CliCommand::scan) {
        if (argument == "--json")
            return parsed.json = true;
        if (argument == "-0" || argument == "--null")
            return parsed.null = true;
        return false;
    }
    if (argument == "--trash")
        return parsed.trash = true;
    if (argument == "--all")
        return parsed.all = true;
    if (argument == "--eject")
        return parsed.eject = true;
    if (argument == "--items")
        return parsed.items = true;
    if (argument == "--continue")
        return parsed.continueEarlier = true;
    std::string destination;
    if (argument == "--to") {
        if (i + 1 >= arguments.size()) {
            parsed.problem = said("--to needs DEST", "--to 需要 DEST");
            return true;
        }
        destination = arguments[++i];
    } else if (argument.starts_with("--to=")) {
        destination = argument.substr(5);
    } else {
        return false;
    }
    if (destination.empty())
        parsed.problem = said("--to needs DEST", "--to 需要 DEST");
    else
        parsed.destination = absolutePath(destination);
    return true;
}

} // namespace

CliArguments parseCliArguments(const std::vector<std::string>& arguments)
{
    CliArguments parsed;
    if (arguments.empty()) {
        parsed.problem = said("missing command", "缺少命令");
        return parsed;
    }
    const std::string& first = arguments[0];
    if (isHelp(first)) {
        parsed.help = true;
        return parsed;
    }
    if (first == "--version") {
        parsed.version = true;
        return parsed;
    }
    if (first == "scan")
        parsed.command = CliCommand::scan;
    else if (first == "transfer")
        parsed.command = CliCommand::transfer;
    else if (first == "history")
        parsed.command = CliCommand::history;
    else if (first == "restore")
        parsed.command = CliCommand::restore;
    else {
        parsed.problem = said("unknown command " + first, "未知命令 " + first);
        return parsed;
    }

    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size() && parsed.problem.empty(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument == "-" || !argument.starts_with('-')) {
            if (argument.empty())
                parsed.problem = said("an empty FOLDER", "FOLDER 为空");
            else
                parsed.folders.push_back(absolutePath(argument));
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (isHelp(argument)) {
            parsed.help = true;
            return parsed;
        } else if (!takeOption(parsed, arguments, i)) {
            parsed.problem = said("unknown option " + argument, "未知选项 " + argument);
        }
    }
    if (!parsed.problem.empty())
        return parsed;
    if (parsed.command == CliCommand::history) {
        if (!parsed.folders.empty())
            parsed.problem = said("history takes no FOLDER", "history 不接受 FOLDER");
        return parsed;
    }
    if (parsed.json && parsed.null)
        parsed.problem = said("--json and --null do not go together", "--json 和 --null 不能同时使用");
    else if (parsed.command == CliCommand::transfer && !parsed.destination)
        parsed.problem = said("transfer needs --to DEST", "transfer 需要 --to DEST");
    else if (parsed.items && parsed.all)
        parsed.problem = said("--items and --all do not go together", "--items 和 --all 不能同时使用");
    else if (parsed.folders.empty())
        parsed.problem = parsed.items || parsed.command == CliCommand::restore ? said("missing PATH", "缺少 PATH")
                                                                               : said("missing FOLDER", "缺少 FOLDER");
    return parsed;
}
