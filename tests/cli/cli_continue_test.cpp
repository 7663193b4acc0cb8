// `loftwell-cli transfer --continue` after a move killed in its copy phase,
// on drives over a disk that counts what it is sent (ext4, and exFAT
// through FUSE): the whole copies the killed run left are read back,
// checked and used, not written again; and on a folder, copies changed
// since are refused or not offered at all.

#include "support/fuse_stick.h"
#include "support/lying_drive.h"
#include "support/rich_folder.h"
#include "support/temp_dir.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int itemCount = 6;
constexpr std::int64_t itemBytes = 21 * 1024 * 1024; // each one recommended

QStringList transferArguments(const fs::path& to, const fs::path& folder, QStringList more)
{
    return QStringList{QStringLiteral("transfer"), QStringLiteral("--to"), QString::fromStdString(to.native()),
                       QStringLiteral("--trash"), QStringLiteral("--all")} +
           more + QStringList{QString::fromStdString(folder.native())};
}

void startCli(QProcess& process, const fs::path& home, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(home.native()));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LOFTWELL_CLI_PATH), arguments);
}

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

Outcome runCli(const fs::path& home, const QStringList& arguments)
{
    QProcess process;
    startCli(process, home, arguments);
    process.waitForFinished(180'000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

std::string itemName(int i)
{
    return "item" + std::to_string(i) + ".bin";
}

// Names below `folder` at any depth, by their last component.
std::vector<std::string> namesBelow(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error))
        names.push_back(it->path().filename().native());
    return names;
}

int countOf(const std::vector<std::string>& names, const std::string& name)
{
    return int(std::ranges::count(names, name));
}

// Everything written reaches the disk: the FUSE driver's buffers and the loop device's too.
void syncDrive(const fs::path&)
{
    ::sync();
}

class CliContinue : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(CliContinue, AKilledMoveGoesOnWithTheWholeCopiesItLeft)
{
    TempDir dir;
    std::optional<LyingDrive> ext4;
    std::optional<FuseStick> exfat;
    const FakeDisk* disk = nullptr;
    fs::path drive;
    if (GetParam() == "ext4") {
        ext4.emplace(dir / "work", 256, 256);
        if (!ext4->mounted())
            GTEST_SKIP() << ext4->why();
        disk = &ext4->disk();
        drive = ext4->mountPoint();
    } else {
        exfat.emplace(DriveKind::exfat, dir / "work", 256, 256);
        if (!exfat->mounted())
            GTEST_SKIP() << exfat->why();
        disk = &exfat->disk();
        drive = exfat->mountPoint();
    }
    const fs::path home = dir / "home";
    const fs::path downloads = home / "Downloads";
    for (int i = 1; i <= itemCount; ++i)
        writeText(downloads / itemName(i), patternedBytes(std::size_t(itemBytes), unsigned(i)));

    // Killed once three items are whole on the drive, the fourth being written.
    disk->setMode("slow 40");
    QProcess first;
    startCli(first, home, transferArguments(drive, downloads, {}));
    const auto whole = [&] {
        int count = 0;
        for (const std::string& name : namesBelow(drive / "Loftwell"))
            count += name.ends_with(".loftwell-unchecked");
        return count;
    };
    while (whole() < 3 && !first.waitForFinished(1)) {
    }
    first.kill();
    first.waitForFinished(10'000);
    const int left = whole();
    ASSERT_GE(left, 3);
    ASSERT_LT(left, itemCount) << "the first run was not killed in its copy phase";
    const std::string earlierRun = fs::directory_iterator(drive / "Loftwell")->path().filename().native();
    disk->setMode("normal");
    syncDrive(drive);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100)); // a dated folder of its own

    const long long before = disk->bytesWritten();
    const Outcome rerun = runCli(home, transferArguments(drive, downloads, {QStringLiteral("--continue")}));
    syncDrive(drive);
    const double written = double(disk->bytesWritten() - before);
    EXPECT_EQ(rerun.status, 0) << rerun.out.toStdString() << rerun.err.toStdString();
    // What the rerun sent the drive: the other items, and the file system's records.
    const double expected = double((itemCount - left) * itemBytes);
    EXPECT_NEAR(written, expected, expected * 0.05) << "written " << written << ", expected " << expected;

    const std::vector<std::string> onDrive = namesBelow(drive / "Loftwell");
    for (const std::string& name : onDrive) // no copy left unfinished or unchecked
        EXPECT_FALSE(name.ends_with(".loftwell-partial") || name.ends_with(".loftwell-unchecked")) << name;
    const fs::path trash = home / ".local" / "share" / "Trash" / "files";
    int used = 0;
    for (int i = 1; i <= itemCount; ++i) {
        EXPECT_EQ(countOf(onDrive, itemName(i)), 1) << itemName(i);
        EXPECT_FALSE(fs::exists(downloads / itemName(i)));
        const fs::path earlier = drive / "Loftwell" / earlierRun / "Downloads" / itemName(i);
        used += fs::exists(earlier);
        EXPECT_EQ(readAll(trash / itemName(i)), patternedBytes(std::size_t(itemBytes), unsigned(i)));
        if (fs::exists(earlier)) {
            EXPECT_TRUE(readAll(earlier) == readAll(trash / itemName(i))) << itemName(i);
        }
    }
    EXPECT_EQ(used, left);
    // The earlier run's folder named whole, as the run's own is.
    const QString earlierFolder = QString::fromStdString((drive / "Loftwell" / earlierRun).native());
    EXPECT_EQ(rerun.out.count(QStringLiteral("already on the drive in ") + earlierFolder + u'\n'), left)
        << rerun.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Drives, CliContinue, ::testing::Values("ext4", "exfat"));

TEST(CliContinueOffer, AChangedCopyKeepsEveryOriginalAndOnesOfAnotherSizeOrTimeAreNotOffered)
{
    TempDir dir;
    const fs::path home = dir / "home";
    const fs::path downloads = home / "Downloads";
    for (int i = 1; i <= 3; ++i)
        writeText(downloads / itemName(i), patternedBytes(21 * 1024 * 1024, unsigned(i)));
    makeFolder(dir / "drive");
    const auto copyOnly = QStringList{QStringLiteral("transfer"), QStringLiteral("--to"),
                                      QString::fromStdString((dir / "drive").native()), QStringLiteral("--all"),
                                      QString::fromStdString(downloads.native())};
    ASSERT_EQ(runCli(home, copyOnly).status, 0);
    const fs::path earlier = fs::directory_iterator(dir / "drive" / "Loftwell")->path() / "Downloads";

    // One byte changed, length and time kept; one a byte longer; one touched.
    const auto keepTime = [](const fs::path& file, const auto& change) {
        const auto time = fs::last_write_time(file);
        change();
        fs::last_write_time(file, time);
    };
    keepTime(earlier / itemName(1), [&] {
        std::string bytes = readAll(earlier / itemName(1));
        bytes[7] = char(bytes[7] ^ 1);
        writeText(earlier / itemName(1), bytes);
    });
    keepTime(earlier / itemName(2), [&] { fs::resize_file(earlier / itemName(2), 21 * 1024 * 1024 + 1); });
    fs::last_write_time(earlier / itemName(3), fs::last_write_time(earlier / itemName(3)) + std::chrono::hours(1));
    const std::string changed = readAll(earlier / itemName(1));

    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const Outcome rerun = runCli(home, transferArguments(dir / "drive", downloads, {QStringLiteral("--continue")}));
    EXPECT_EQ(rerun.status, 1);
    // The copy differs, not the drive: said so, and only that item kept.
    EXPECT_TRUE(rerun.err.contains(QStringLiteral("Downloads/item1.bin")) &&
                rerun.err.contains(QStringLiteral("The copy an earlier run left on the drive differs from its "
                                                  "original")))
        << rerun.err.toStdString();
    EXPECT_FALSE(rerun.out.contains(QStringLiteral("already on the drive")));
    EXPECT_TRUE(fs::exists(downloads / itemName(1)));
    EXPECT_EQ(readAll(earlier / itemName(1)), changed); // nothing on the drive changed
    EXPECT_FALSE(rerun.out.contains(QStringLiteral("different data"))) << rerun.out.toStdString();
    for (int i = 2; i <= 3; ++i) // not offered: copied anew, checked and moved
        EXPECT_FALSE(fs::exists(downloads / itemName(i))) << itemName(i);
    // The changed copy named as the item to move is never taken for its own copy.
    const Outcome itself = runCli(home, {QStringLiteral("transfer"), QStringLiteral("--to"),
                                         QString::fromStdString((dir / "drive").native()), QStringLiteral("--trash"),
                                         QStringLiteral("--continue"), QStringLiteral("--items"),
                                         QString::fromStdString((earlier / itemName(1)).native())});
    EXPECT_EQ(itself.status, 0) << itself.out.toStdString() << itself.err.toStdString();
    EXPECT_FALSE(itself.out.contains(QStringLiteral("already on the drive")));
    int copies = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir / "drive"))
        copies += entry.path().filename() == itemName(1) && readAll(entry.path()) == changed;
    EXPECT_EQ(copies, 1);
}
