// The command line on a slow exFAT stick (4 MiB/s, served by exfat-fuse):
// Ctrl+C a third of the way into a move ends it within seconds, with the
// report and the original in place. (What its progress line counts is the
// engine's, which the transfer tests hold to the drive's pace.)

#include "support/fuse_stick.h"
#include "support/temp_dir.h"
#include "support/test_values.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace fs = std::filesystem;

TEST(CliSlowStick, CtrlCEndsAMoveWithinSeconds)
{
    TempDir dir;
    FuseStick stick(DriveKind::exfat, dir.path(), 160, 160);
    if (!stick.mounted())
        GTEST_SKIP() << stick.why();
    const fs::path film = dir / "home" / "Downloads" / "Film.mkv";
    writeFile(film, 96 * MiB, 'f');
    stick.disk().setMode("slow 250");
    const long long before = stick.disk().bytesWritten();
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    environment.insert(QStringLiteral("HOME"), QString::fromStdString((dir / "home").native()));
    environment.remove(QStringLiteral("LANGUAGE"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LOFTWELL_CLI_PATH),
                  {QStringLiteral("transfer"), QStringLiteral("--trash"), QStringLiteral("--to"),
                   QString::fromStdString(stick.mountPoint().native()), QStringLiteral("--items"),
                   QString::fromStdString(film.native())});
    ASSERT_TRUE(process.waitForStarted());
    const auto start = std::chrono::steady_clock::now();
    while (stick.disk().bytesWritten() - before < 32 * MiB &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(60))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto asked = std::chrono::steady_clock::now();
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60'000));
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_LT(took, 3.0) << out.toStdString();
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("Some Items Did Not Finish"))) << out.toStdString();
    EXPECT_EQ(fs::file_size(film), std::uintmax_t(96 * MiB));
}
