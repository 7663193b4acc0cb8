// `loftwell-cli transfer --eject` to an ext4 image that the desktop's disk
// service (a UDisks2 mock on a private system bus) really unmounts: the
// drive is ejected at the end and said so, in English and in Chinese; a busy
// drive stays mounted and makes the command exit 1.

#include "support/loop_mount.h"
#include "support/mock_bus.h"
#include "support/temp_dir.h"
#include "support/test_values.h"

#include <QProcess>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

// A copy-only run of the home's Downloads to the drive, with --eject; with
// `continueEarlier` taking the copies of a run before.
Outcome ejectRun(const fs::path& home, const LoopMount& drive, const MockBus& bus, const QString& language,
                 bool continueEarlier = false)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), language);
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(home.native()));
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), bus.address());
    process.setProcessEnvironment(environment);
    QStringList arguments{QStringLiteral("transfer"), QStringLiteral("--eject"), QStringLiteral("--to"),
                          QString::fromStdString(drive.mountPoint().native()),
                          QString::fromStdString((home / "Downloads").native())};
    if (continueEarlier)
        arguments.insert(1, QStringLiteral("--continue"));
    process.start(QStringLiteral(LOFTWELL_CLI_PATH), arguments);
    process.waitForFinished(120'000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

TEST(CliEject, TheDriveIsEjectedAtTheEndInBothLanguagesAndABusyOneIsSaid)
{
    TempDir dir;
    writeFile(dir / "home" / "Downloads" / "movie.mkv", 21 * MiB, 'm');
    for (const auto& [language, said] :
         {std::pair{QStringLiteral("C"), QStringLiteral("BACKUP can be removed safely.\n")},
          std::pair{QStringLiteral("zh_CN.UTF-8"), QStringLiteral("现在可以安全移除 BACKUP。\n")}}) {
        makeFolder(dir / language.left(2).toStdString());
        LoopMount drive(dir / language.left(2).toStdString(), "ext4", 64);
        if (!drive.mounted())
            GTEST_SKIP() << drive.why();
        MockBus bus;
        if (!bus.running() || !bus.startUdisksDrive(drive.device(), drive.mountPoint(), QStringLiteral("BACKUP")))
            GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
        // Busy first: a folder of the drive held open by another program.
        const int held = ::open((drive.mountPoint() / "lost+found").c_str(), O_RDONLY | O_DIRECTORY);
        const Outcome busy = ejectRun(dir / "home", drive, bus, language);
        ::close(held);
        EXPECT_EQ(busy.status, 1);
        EXPECT_TRUE(busy.err.contains(QStringLiteral("BACKUP"))) << busy.err.toStdString();
        EXPECT_TRUE(drive.stillMounted());

        // A run that only takes the copies the first one made ejects all the same.
        const Outcome ejected = ejectRun(dir / "home", drive, bus, language, true);
        EXPECT_EQ(ejected.status, 0) << ejected.err.toStdString();
        EXPECT_TRUE(ejected.out.contains(QStringLiteral("movie.mkv"))) << ejected.out.toStdString();
        EXPECT_TRUE(ejected.out.endsWith(said)) << ejected.out.toStdString();
        EXPECT_FALSE(drive.stillMounted());
    }
}
