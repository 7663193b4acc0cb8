#include "cli/cli_help.h"

#include "model/text_table.h"

namespace {

constexpr const char* scanUsage = "loftwell-cli scan [--json | -0] FOLDER...";
constexpr const char* transferUsage =
    "loftwell-cli transfer --to DEST [--trash] [--all] [--eject] [--continue] FOLDER...";
constexpr const char* itemsUsage = "loftwell-cli transfer --to DEST [--trash] [--eject] [--continue] --items PATH...";
constexpr const char* historyUsage = "loftwell-cli history [--json]";
constexpr const char* restoreUsage = "loftwell-cli restore [--from DRIVE] [--to FOLDER] PATH...";
constexpr const char* programUsage = "loftwell-cli -h | --help | --version";

// The help in one language; the usage lines and option names stay as typed.
struct HelpTexts {
    const char* usage;
    const char* scan;
    const char* transfer;
    const char* history;
    const char* restore;
    const char* program;
    const char* exitStatus;
    const char* more; // before "'loftwell-cli COMMAND --help'"
};

constexpr HelpTexts english{
    "usage: ",
    "List every item of 20 MiB or more one level inside each FOLDER, safest and\n"
    "largest first, one line each: path, location, kind, advice, size in bytes,\n"
    "size as shown, separated by tabs. A control character in a name is shown\n"
    "escaped, as ls -b does (\\n, \\t, \\\\, \\ooo).\n"
    "\n"
    "  --json      a JSON array of objects with the same fields and the reason;\n"
    "              kind, risk and reason also as names that are the same in\n"
    "              every language; a path that is not UTF-8 also comes as\n"
    "              pathBytes, percent-encoded\n"
    "  -0, --null  end each line with NUL instead of a newline and write the path\n"
    "              unescaped: it is everything before the fifth tab from the end\n"
    "  -h, --help  show this help\n",
    "Copy the recommended items in each FOLDER (with --all, every item of 20 MiB\n"
    "or more) into DEST/Loftwell/<date>/<folder>/, check each copy against its\n"
    "original and, with --trash, move each original whose copy was verified to\n"
    "the Trash. Nothing is ever deleted. The report goes to standard output,\n"
    "every failed item to standard error as well.\n"
    "\n"
    "  --to DEST   the folder to copy into (usually on an external drive)\n"
    "  --trash     move verified originals to the Trash\n"
    "  --all       take every item found, not only the recommended ones\n"
    "  --eject     at the end of a run that wrote anything, eject DEST's drive\n"
    "              (unmount it and power it off, through UDisks2)\n"
    "  --items     move exactly each PATH (a file or a folder, any size) as one\n"
    "              item, classified and checked as a scanned one\n"
    "  --continue  take the whole copies an earlier run that did not finish left\n"
    "              in DEST: each is read back and checked like a new copy, not\n"
    "              written again\n"
    "  -h, --help  show this help\n",
    "List the moves recorded on this computer, newest first: each run's date,\n"
    "drive and size, and each item with how it ended and whether it can be\n"
    "brought back now: from the Trash, from its drive (mounted, known by its\n"
    "file system's UUID), or once that drive is plugged in. The history is kept\n"
    "in $XDG_DATA_HOME/loftwell/runs (~/.local/share/loftwell/runs).\n"
    "\n"
    "  --json      a JSON object with the runs; states and ways are names that\n"
    "              are the same in every language; a path that is not UTF-8\n"
    "              also comes percent-encoded, as ...Bytes\n"
    "  -h, --help  show this help\n",
    "Bring back the moved items whose original paths are given (a folder given\n"
    "brings back the moved items that lived inside it). An original still in\n"
    "the Trash is put back from there; otherwise its copy is copied back from\n"
    "the drive under a hidden name, compared with the run's record, read back\n"
    "and only then named. Nothing is ever replaced: where something else now\n"
    "has the name, the item comes back beside it under a free one. The copy on\n"
    "the drive stays.\n"
    "\n"
    "  --from DRIVE  read the runs recorded on DRIVE alone (a drive moved to\n"
    "                from another computer, or a history lost with the system);\n"
    "                to original places only inside your home, outside its\n"
    "                hidden folders, and after you confirm the list\n"
    "  --to FOLDER   bring the items into FOLDER instead of their original places\n"
    "  -h, --help    show this help\n",
    "Frees space on this computer's disk by moving big personal items to an\n"
    "external drive, without the window.\n"
    "\n"
    "  scan      list the items of 20 MiB or more in each FOLDER, with advice\n"
    "  transfer  copy them into DEST, verify, and optionally move the originals\n"
    "            to the Trash\n"
    "  history   list the moves recorded on this computer\n"
    "  restore   bring moved items back, checked\n",
    "\nExit status:\n"
    "  0  all done\n"
    "  1  some FOLDER could not be read, some item failed or was stopped, the\n"
    "     drive could not be ejected, the output could not be written, or\n"
    "     nothing was brought back (nothing recorded for PATH, its drive not\n"
    "     plugged in, or the list not confirmed)\n"
    "  2  usage error\n",
    "'loftwell-cli COMMAND --help' tells more about each.\n",
};

constexpr HelpTexts chinese{
    "用法：",
    "列出每个 FOLDER 下一层中 20 MiB 及以上的项目，最安全、最大的排在前面，每项一行：\n"
    "路径、位置、类型、建议、字节数、显示大小，以制表符分隔。名称中的控制字符\n"
    "会像 ls -b 一样转义显示（\\n、\\t、\\\\、\\ooo）。\n"
    "\n"
    "  --json      输出 JSON 数组，字段相同，另有原因；kind、risk 和 reason\n"
    "              另以不随语言变化的名称给出；不是 UTF-8 的路径另以\n"
    "              pathBytes（百分号编码）给出\n"
    "  -0, --null  每行以 NUL 结尾，路径不转义：它是从末尾数第五个制表符\n"
    "              之前的全部内容\n"
    "  -h, --help  显示此帮助\n",
    "把每个 FOLDER 中的推荐项目（加 --all 时为所有 20 MiB 及以上的项目）复制到\n"
    "DEST/Loftwell/<日期>/<文件夹>/，把每份副本与原项目核对；加 --trash 时，把核对\n"
    "通过的原项目移到回收站。不会删除任何内容。报告输出到标准输出，每个失败项目也会\n"
    "输出到标准错误。\n"
    "\n"
    "  --to DEST   复制到的文件夹（通常在外部驱动器上）\n"
    "  --trash     把核对通过的原项目移到回收站\n"
    "  --all       移动找到的所有项目，而不只是推荐项\n"
    "  --eject     运行写入了内容时，结束后弹出 DEST 所在的驱动器（通过 UDisks2\n"
    "              卸载并断电）\n"
    "  --items     把每个 PATH（文件或文件夹，任意大小）作为一项移动，分类和核对\n"
    "              与扫描到的项目相同\n"
    "  --continue  使用之前未完成的运行在 DEST 中留下的完整副本：像新副本一样读回\n"
    "              并核对，不再重新写入\n"
    "  -h, --help  显示此帮助\n",
    "列出这台电脑上记录的移动，最新的在前：每次运行的日期、驱动器和大小，以及每一项\n"
    "的结果和现在能否取回：从回收站、从它所在的驱动器（已挂载，按文件系统 UUID\n"
    "识别），或插入那个驱动器之后。历史保存在 $XDG_DATA_HOME/loftwell/runs\n"
    "（~/.local/share/loftwell/runs）。\n"
    "\n"
    "  --json      输出包含各次运行的 JSON 对象；状态和取回方式是不随语言变化的名称；\n"
    "              不是 UTF-8 的路径另以 ...Bytes（百分号编码）给出\n"
    "  -h, --help  显示此帮助\n",
    "取回原路径为所给 PATH 的已移动项目（给出文件夹时，取回原来在其中的已移动项目）。\n"
    "仍在回收站中的原项目从回收站放回；否则把副本从驱动器以隐藏名称复制回来，\n"
    "与运行记录核对，再读回一遍，然后才命名。不会替换任何东西：原名称已被占用时，\n"
    "项目以空闲的名称放在它旁边。驱动器上的副本保留。\n"
    "\n"
    "  --from DRIVE  只读取 DRIVE 上记录的运行（来自另一台电脑的驱动器，或随系统丢失\n"
    "                了历史）；取回到原位置时只限主文件夹内、隐藏文件夹之外，并需您\n"
    "                确认列表\n"
    "  --to FOLDER   把项目取回到 FOLDER，而不是原来的位置\n"
    "  -h, --help    显示此帮助\n",
    "不打开窗口，把大的个人项目移到外部驱动器，释放这台电脑的磁盘空间。\n"
    "\n"
    "  scan      列出每个 FOLDER 中 20 MiB 及以上的项目及建议\n"
    "  transfer  把它们复制到 DEST 并核对，可选把原项目移到回收站\n"
    "  history   列出这台电脑上记录的移动\n"
    "  restore   取回已移动的项目，并核对\n",
    "\n退出状态：\n"
    "  0  全部完成\n"
    "  1  有 FOLDER 无法读取、有项目失败或被停止、驱动器无法弹出、输出无法写入，\n"
    "     或没有取回任何项目（PATH 没有记录、它的驱动器未插入，或清单未确认）\n"
    "  2  用法错误\n",
    "运行 'loftwell-cli COMMAND --help' 了解各命令的详情。\n",
};

const HelpTexts& texts()
{
    return I18n::language() == I18n::Language::chinese ? chinese : english;
}

// Under "usage: " (7 columns) or "用法：" (6).
std::string indent()
{
    return std::string(I18n::language() == I18n::Language::chinese ? 6 : 7, ' ');
}

std::string commandName(CliCommand command)
{
    switch (command) {
    case CliCommand::scan: return "scan ";
    case CliCommand::transfer: return "transfer ";
    case CliCommand::history: return "history ";
    case CliCommand::restore: return "restore ";
    case CliCommand::none: break;
    }
    return "";
}

} // namespace

std::string usageText(CliCommand command)
{
    const std::string usage = texts().usage;
    switch (command) {
    case CliCommand::scan: return usage + scanUsage + "\n";
    case CliCommand::transfer: return usage + transferUsage + "\n" + indent() + itemsUsage + "\n";
    case CliCommand::history: return usage + historyUsage + "\n";
    case CliCommand::restore: return usage + restoreUsage + "\n";
    case CliCommand::none: break;
    }
    return usage + scanUsage + "\n" + indent() + transferUsage + "\n" + indent() + itemsUsage + "\n" + indent() +
           historyUsage + "\n" + indent() + restoreUsage + "\n" + indent() + programUsage + "\n";
}

std::string helpText(CliCommand command)
{
    switch (command) {
    case CliCommand::scan: return usageText(command) + "\n" + texts().scan + texts().exitStatus;
    case CliCommand::transfer: return usageText(command) + "\n" + texts().transfer + texts().exitStatus;
    case CliCommand::history: return usageText(command) + "\n" + texts().history + texts().exitStatus;
    case CliCommand::restore: return usageText(command) + "\n" + texts().restore + texts().exitStatus;
    case CliCommand::none: break;
    }
    return usageText(command) + "\n" + texts().program + "\n" + texts().more + texts().exitStatus;
}

std::string usageErrorText(CliCommand command, const std::string& problem)
{
    const std::string more = I18n::language() == I18n::Language::chinese ? "运行 'loftwell-cli " : "Try 'loftwell-cli ";
    const std::string tail =
        I18n::language() == I18n::Language::chinese ? "--help' 了解更多信息。\n" : "--help' for more information.\n";
    return "loftwell-cli: " + problem + "\n" + usageText(command) + more + commandName(command) + tail;
}
