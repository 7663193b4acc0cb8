// `loftwell-cli transfer` run as a process: what it moves, its progress lines and report, and its exit status.

#include "model/byte_format.h"
#include "model/text_table.h"
#include "support/cli_process.h"
#include "support/mock_bus.h"
#include "support/temp_dir.h"
#include "support/test_values.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Outcome = CliOutcome;

Outcome transferCli(const QStringList& arguments, const fs::path& home,
                    const QProcessEnvironment& environment = QProcessEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment.isEmpty() ? cliEnvironment(home) : environment);
    process.start(QStringLiteral(LOFTWELL_CLI_PATH), QStringList{QStringLiteral("transfer")} + arguments);
    return finishedCli(process, 120'000);
}

QString arg(const fs::path& path)
{
    return QString::fromStdString(path.native());
}

class CliTransfer : public ::testing::Test {
protected:
    CliTransfer()
    {
        makeFolder(dir / "home");
        makeFolder(dir / "drive");
        writeFile(dir / "home" / "Downloads" / "movie.mkv", 21 * MiB, 'm');
        writeFile(dir / "home" / "Downloads" / "Ubuntu.utm" / "disk.img", 22 * MiB, 'u');
    }

    fs::path onlyRun() const
    {
        const fs::path loftwell = dir / "drive" / "Loftwell";
        return fs::directory_iterator(loftwell)->path();
    }

    TempDir dir;
};

} // namespace

TEST_F(CliTransfer, MovesTheRecommendedItemsAndPrintsProgressAndTheReport)
{
    struct stat movie {};
    ASSERT_EQ(::stat((dir / "home" / "Downloads" / "movie.mkv").c_str(), &movie), 0);
    const std::int64_t tookOnDisk = std::int64_t(movie.st_blocks) * 512;
    const Outcome outcome = transferCli(
        {QStringLiteral("--to"), arg(dir / "drive"), QStringLiteral("--trash"), arg(dir / "home" / "Downloads")},
        dir / "home");
    ASSERT_EQ(outcome.status, 0) << outcome.out.toStdString() << outcome.err.toStdString();
    const QString folder = arg(onlyRun());
    // (22 MB: 21 MiB on the disk, as the scan measured it.)
    EXPECT_EQ(outcome.out, QStringLiteral("1 / 1 movie.mkv\nTransfer Complete\nSaved to:\n%1\n\n"
                                          "Originals for successful transfers were moved to Trash. They take %2 "
                                          "there, and their copies as much on this same disk: emptying the Trash "
                                          "only gives back the space the copies took.\n")
                               .arg(folder, formatBytes(tookOnDisk)));
    EXPECT_EQ(fs::file_size(onlyRun() / "Downloads" / "movie.mkv"), std::uintmax_t(21 * MiB));
    EXPECT_FALSE(fs::exists(dir / "home" / "Downloads" / "movie.mkv"));
    EXPECT_TRUE(fs::exists(dir / "home" / ".local" / "share" / "Trash" / "files" / "movie.mkv"));
    EXPECT_TRUE(fs::exists(dir / "home" / "Downloads" / "Ubuntu.utm")); // caution: not ticked
}

TEST_F(CliTransfer, AllTakesEveryCandidateAndCopyingAloneKeepsOriginals)
{
    const Outcome outcome = transferCli(
        {QStringLiteral("--all"), QStringLiteral("--to"), arg(dir / "drive"), arg(dir / "home" / "Downloads")},
        dir / "home");
    ASSERT_EQ(outcome.status, 0);
    EXPECT_TRUE(outcome.out.startsWith(QStringLiteral("1 / 2 movie.mkv\n2 / 2 Ubuntu.utm\nTransfer Complete\n")));
    EXPECT_FALSE(outcome.out.contains(QStringLiteral("Trash")));
    EXPECT_TRUE(fs::exists(onlyRun() / "Downloads" / "Ubuntu.utm" / "disk.img"));
    EXPECT_TRUE(fs::exists(dir / "home" / "Downloads" / "movie.mkv"));
}

TEST_F(CliTransfer, FailuresExitWith1AndUsageErrorsWith2)
{
    std::ofstream(dir / "blocked");
    const Outcome failed =
        transferCli({QStringLiteral("--to"), arg(dir / "blocked"), arg(dir / "home" / "Downloads")}, dir / "home");
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(
        failed.out.startsWith(QStringLiteral("Some Items Did Not Finish\nNothing was saved to the destination.\n\n"
                                             "Not copied, original in place (1):\n"
                                             "Could not create destination folder: ")))
        << failed.out.toStdString();
    EXPECT_TRUE(failed.err.contains(QStringLiteral("\nloftwell-cli: Could not create destination folder: ")))
        << failed.err.toStdString();
    EXPECT_TRUE(fs::exists(dir / "home" / "Downloads" / "movie.mkv"));
    // A destination that is not there: no folder named, none made.
    const Outcome missing =
        transferCli({QStringLiteral("--to"), arg(dir / "NOPE"), arg(dir / "home" / "Downloads")}, dir / "home");
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(missing.out.contains(QStringLiteral("Saved to"))) << missing.out.toStdString();
    EXPECT_FALSE(fs::exists(dir / "NOPE"));

    EXPECT_EQ(transferCli({arg(dir / "home" / "Downloads")}, dir / "home").status, 2);
    EXPECT_EQ(transferCli({QStringLiteral("--to")}, dir / "home").status, 2);
    EXPECT_EQ(transferCli({QStringLiteral("--to"), arg(dir / "drive"), QStringLiteral("--move")}, dir / "home").status,
              2);
}

TEST_F(CliTransfer, FoldersThatCannotBeReadAreSaidAndNothingIsMadeWithoutOne)
{
    const QString missing = arg(dir / "home" / "Missing");
    const Outcome none = transferCli({QStringLiteral("--to"), arg(dir / "drive"), missing}, dir / "home");
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.out.isEmpty()) << none.out.toStdString();
    EXPECT_EQ(none.err, QStringLiteral("loftwell-cli: cannot read %1: No such file or folder\n"
                                       "loftwell-cli: Nothing was transferred: no FOLDER could be read.\n")
                            .arg(missing));
    EXPECT_FALSE(fs::exists(dir / "drive" / "Loftwell"));

    // Nothing recommended: nothing to do, and nothing made either.
    writeFile(dir / "home" / "Small" / "note.txt", 1000);
    const Outcome nothing =
        transferCli({QStringLiteral("--to"), arg(dir / "drive"), arg(dir / "home" / "Small")}, dir / "home");
    EXPECT_EQ(nothing.status, 0);
    EXPECT_TRUE(nothing.err.contains(QStringLiteral("Nothing to transfer"))) << nothing.err.toStdString();
    EXPECT_FALSE(fs::exists(dir / "drive" / "Loftwell"));

    // One of two: the other is moved, and the status says not all was done.
    const Outcome some = transferCli(
        {QStringLiteral("--to"), arg(dir / "drive"), missing, arg(dir / "home" / "Downloads")}, dir / "home");
    EXPECT_EQ(some.status, 1);
    EXPECT_TRUE(some.out.contains(QStringLiteral("Transfer Complete"))) << some.out.toStdString();
    EXPECT_TRUE(fs::exists(onlyRun() / "Downloads" / "movie.mkv"));
}

TEST_F(CliTransfer, AReaderThatGoesAwayDoesNotStopTheTransfer)
{
    writeFile(dir / "home" / "Downloads" / "second.iso", 21 * MiB, 's');
    QProcess shell;
    shell.setProcessEnvironment(cliEnvironment(dir / "home"));
    // head takes the first line and leaves: every later write meets a closed pipe.
    shell.start(QStringLiteral("bash"),
                {QStringLiteral("-c"),
                 QStringLiteral("'%1' transfer --to '%2' --trash --all '%3' | head -1; "
                                "echo \"status ${PIPESTATUS[0]}\"")
                     .arg(QStringLiteral(LOFTWELL_CLI_PATH), arg(dir / "drive"), arg(dir / "home" / "Downloads"))});
    shell.waitForFinished(120'000);
    const QString out = QString::fromUtf8(shell.readAllStandardOutput());
    EXPECT_TRUE(out.endsWith(QStringLiteral("status 0\n"))) << out.toStdString();
    for (const char* name : {"movie.mkv", "second.iso", "Ubuntu.utm"}) {
        EXPECT_FALSE(fs::exists(dir / "home" / "Downloads" / name)) << name;
        EXPECT_TRUE(fs::exists(onlyRun() / "Downloads" / name)) << name;
    }
}

namespace {

// The command run on a pseudo-terminal (script(1)), as a person at a terminal runs it.
QString onTerminal(const QString& command, const fs::path& home)
{
    QProcess process;
    process.setProcessEnvironment(cliEnvironment(home));
    process.start(QStringLiteral("script"), {QStringLiteral("-qfec"), command, QStringLiteral("/dev/null")});
    process.waitForFinished(120'000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

TEST_F(CliTransfer, OnATerminalOneLineShowsTheBytes)
{
    // The scan shows what it measures on standard error, then clears it.
    const QString scan = onTerminal(QStringLiteral("'%1' scan '%2' >/dev/null")
                                        .arg(QStringLiteral(LOFTWELL_CLI_PATH), arg(dir / "home" / "Downloads")),
                                    dir / "home");
    EXPECT_TRUE(scan.contains(QStringLiteral("Downloads/Ubuntu.utm"))) << scan.toStdString();
    // with the count measured so far, as the window's strip shows it
    EXPECT_TRUE(scan.contains(QRegularExpression(QStringLiteral("\\r\\x1b\\[K1 files, [0-9.]+ MB measured · "))))
        << scan.toStdString();
    EXPECT_TRUE(scan.endsWith(QStringLiteral("\r\x1b[K"))) << scan.toStdString();

    const QString out =
        onTerminal(QStringLiteral("'%1' transfer --to '%2' --trash --all '%3'")
                       .arg(QStringLiteral(LOFTWELL_CLI_PATH), arg(dir / "drive"), arg(dir / "home" / "Downloads")),
                   dir / "home");
    EXPECT_TRUE(out.contains(QStringLiteral("\r1 / 2 movie.mkv"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral(" of 45.1 MB"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("verifying"))) << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("1 / 2 movie.mkv\r\n"))); // no line per item here
    EXPECT_TRUE(out.contains(QStringLiteral("\r\x1b[KTransfer Complete"))) << out.toStdString();
}

TEST_F(CliTransfer, InAPipeNothingButTheLinesOfOld)
{
    const Outcome outcome = transferCli(
        {QStringLiteral("--to"), arg(dir / "drive"), QStringLiteral("--all"), arg(dir / "home" / "Downloads")},
        dir / "home");
    EXPECT_FALSE(outcome.out.contains(u'\r'));
    EXPECT_FALSE(outcome.out.contains(u'\x1b'));
    // The drive here is a folder on the same disk: said on standard error, and gone on with.
    EXPECT_EQ(outcome.err, QStringLiteral("loftwell-cli: ") +
                               I18n::text("alert.confirm.sameDisk", I18n::Language::english).trimmed() + u'\n');
    EXPECT_EQ(outcome.status, 0);
}

TEST_F(CliTransfer, CtrlCStopsTheItemKeepsItsOriginalAndStillReports)
{
    writeFile(dir / "home" / "Downloads" / "Huge.iso", 400 * MiB, 'h'); // the largest safe item goes first
    QProcess process;
    process.setProcessEnvironment(cliEnvironment(dir / "home"));
    process.start(QStringLiteral(LOFTWELL_CLI_PATH),
                  {QStringLiteral("transfer"), QStringLiteral("--to"), arg(dir / "drive"), QStringLiteral("--trash"),
                   QStringLiteral("--all"), arg(dir / "home" / "Downloads")});
    ASSERT_TRUE(process.waitForReadyRead(60'000));
    const QByteArray first = process.readLine();
    EXPECT_EQ(first, QByteArray("1 / 3 Huge.iso\n"));
    ::kill(pid_t(process.processId()), SIGINT);
    ::usleep(20'000);
    ::kill(pid_t(process.processId()), SIGINT); // a second one changes nothing
    ASSERT_TRUE(process.waitForFinished(60'000));
    const QString out = QString::fromUtf8(first + process.readAllStandardOutput());
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("Some Items Did Not Finish"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Downloads/Huge.iso (Installer, Recommended): Stopped")))
        << out.toStdString();
    EXPECT_EQ(out.count(QStringLiteral(": Stopped")), 3) << out.toStdString(); // no later item started
    EXPECT_FALSE(out.contains(QStringLiteral("2 / 3")));
    EXPECT_EQ(fs::file_size(dir / "home" / "Downloads" / "Huge.iso"), std::uintmax_t(400 * MiB));
    EXPECT_TRUE(fs::exists(dir / "home" / "Downloads" / "movie.mkv"));
    EXPECT_FALSE(fs::exists(dir / "home" / ".local" / "share" / "Trash" / "files" / "Huge.iso"));
}

// The computer is kept awake for the transfer, in the user's language.
TEST_F(CliTransfer, AsksLogindToKeepTheComputerAwake)
{
    MockBus bus;
    if (!bus.running() || !bus.startLogind())
        GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
    for (const auto& [locale, language] : {std::pair{QStringLiteral("en_US"), I18n::Language::english},
                                           {QStringLiteral("zh_CN"), I18n::Language::chinese}}) {
        QProcessEnvironment environment = cliEnvironment(dir / "home");
        environment.insert(QStringLiteral("LANGUAGE"), locale);
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), bus.address());
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        const Outcome outcome = transferCli(
            {QStringLiteral("--to"), arg(dir / "drive"), arg(dir / "home" / "Downloads")}, dir / "home", environment);
        ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
        const QStringList heard =
            bus.calls(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"));
        ASSERT_FALSE(heard.isEmpty());
        EXPECT_EQ(heard.back(), QStringLiteral("Inhibit sleep:shutdown loftwell-cli ") +
                                    I18n::text("desktop.keepAwake", language) + QStringLiteral(" block"));
    }
    EXPECT_TRUE(bus.inhibitors().isEmpty()); // released with the run
}
