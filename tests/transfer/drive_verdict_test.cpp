// Only what the drive holds counts. Sticks that lie, under the FUSE drivers
// most of them are read with (exfat-fuse, ntfs-3g): whatever the driver and
// the kernel keep in memory, whatever the check itself writes, whoever else
// holds the drive, after the stick is mounted afresh no original may be in
// the Trash without an identical copy on it; and where any copy of a run is
// spoilt, or the stick no longer mounts, no original of that run at all.

#include "transfer/transfer_engine.h"

#include "scan/candidate_scanner.h"
#include "support/lying_drive.h"
#include "support/stick_job.h"
#include "support/test_values.h"
#include "transfer/transfer_report.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <random>
#include <sys/mount.h>
#include <sys/prctl.h>

namespace fs = std::filesystem;

namespace {

class DriveVerdictTest : public ::testing::TestWithParam<DriveKind> {};

// Counts what reaches the disk around the check: from the first read-back
// to the last original in the Trash.
class CountedRun {
public:
    explicit CountedRun(const FakeDisk& disk) : disk_(disk) {}

    ItemProgressCallback progress()
    {
        return [this](const ItemProgress& item) {
            // (Not while the drive is being made to answer from itself.)
            if (item.verifying && !item.checkingDrive && atFirstReadBack_ < 0)
                atFirstReadBack_ = disk_.bytesWritten();
        };
    }
    void trashed() { atLastTrash_ = disk_.bytesWritten(); }
    long long written() const { return atLastTrash_ - atFirstReadBack_; }
    bool counted() const { return atFirstReadBack_ >= 0 && atLastTrash_ >= 0; }

private:
    const FakeDisk& disk_;
    long long atFirstReadBack_ = -1;
    long long atLastTrash_ = -1;
};

class TrashHeard : public ScriptedFileSystem {
public:
    std::function<void()> heard;
    FsResult<fs::path> trashItem(const fs::path& item, const CopyManifest& copied) const override
    {
        auto trashed = ScriptedFileSystem::trashItem(item, copied);
        if (heard)
            heard();
        return trashed;
    }
};

} // namespace

// A stick that keeps its first blocks and wraps what comes after onto the
// data behind them keeps mounting: the copies it spoilt read back wrong, the
// others right, on a drive that has just shown it stores less than it
// claims. No original of the run goes, and the report says why first.
TEST_P(DriveVerdictTest, ASpoiltCopyKeepsEveryOriginalOfTheRun)
{
    for (const unsigned seed : {1u, 2u, 3u}) {
        StickJob test(GetParam(), Way::own);
        if (!test.makeStick(48, 92, {}, "keep-first " + std::to_string(8 * MiB)))
            GTEST_SKIP() << test.why;
        std::mt19937 random(seed);
        std::vector<Candidate> items;
        for (std::int64_t total = 0; total < 64 * MiB;) {
            const std::int64_t bytes = MiB + std::int64_t(random() % (6 * MiB));
            items.push_back(test.makeItem("item" + std::to_string(items.size() + 1) + ".mkv", bytes));
            total += bytes;
        }
        const TransferResult result = test.run(items);
        EXPECT_TRUE(result.driveFault) << seed;
        EXPECT_EQ(result.trashed, 0) << result.failures.join(u'\n').toStdString();
        EXPECT_EQ(test.expectNoOriginalLost(result), 0) << seed;
        EXPECT_TRUE(makeTransferReport(result).message.startsWith(QStringLiteral("The drive gave back different")));
    }
}

// What the driver keeps in its own memory (folders, free space) is not the
// drive: with no disk service the program, as root, mounts the drive again
// itself, and a stick whose records a wrap wrecked fails instead of passing.
TEST_P(DriveVerdictTest, TheDriversMemoryIsNotTakenForTheDrive)
{
    StickJob test(GetParam(), Way::own);
    const bool exfat = GetParam() == DriveKind::exfat;
    if (!test.makeStick(32, exfat ? 64 : 48))
        GTEST_SKIP() << test.why;
    std::vector<Candidate> items;
    for (const std::int64_t bytes : exfat ? std::vector<std::int64_t>{25 * MiB / 2, 25 * MiB / 2, 27 * MiB / 4}
                                          : std::vector<std::int64_t>{10 * MiB, 10 * MiB, 10 * MiB, 10 * MiB})
        items.push_back(test.makeItem("item" + std::to_string(items.size() + 1) + ".mkv", bytes));
    const TransferResult result = test.run(items);
    EXPECT_FALSE(result.failures.isEmpty()); // never "Transfer Complete"
    test.expectNoOriginalLost(result);
}

INSTANTIATE_TEST_SUITE_P(ExFatNtfs, DriveVerdictTest, ::testing::Values(DriveKind::exfat, DriveKind::ntfs),
                         [](const auto& info) { return std::string(driveKindName(info.param)); });

// A drive in use (a program sitting in it) cannot be unmounted for its
// check; and the kernel empties its cache of a device only at its last
// close, so a remount while another program holds the device reaches
// nothing. Through the disk service or by the program itself, every copy
// stays not checked, the program is named, and no original goes. The held
// stick's copies fit what it stores: one they overran may or may not mount
// again, as the kernel kept or dropped its cache, and a whole one always
// does, so even a check that would pass is not made. Drivers that went
// into the background are left unreaped here, as under a container's first
// process: a zombie driver holds nothing.
TEST(DriveVerdict, ADriveInUseOrADeviceHeldOpenChecksNothing)
{
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    for (const bool held : {false, true}) {
        for (const Way way : {Way::udisks, Way::own}) {
            StickJob test(DriveKind::exfat, way);
            if (!test.makeStick(32, 64))
                GTEST_SKIP() << test.why;
            const auto items = test.makeItems(held ? 6 : 2, held ? 4 * MiB : 2 * MiB);
            QProcess sleeper;
            if (held)
                sleeper.setStandardInputFile(QString::fromStdString(test.stick->disk().device()));
            else
                sleeper.setWorkingDirectory(QString::fromStdString(test.stick->mountPoint().native()));
            sleeper.start(QStringLiteral("sleep"), {QStringLiteral("60")});
            ASSERT_TRUE(sleeper.waitForStarted());
            const TransferResult result = test.run(items);
            sleeper.kill();
            sleeper.waitForFinished();
            ASSERT_EQ(result.failedItems.size(), items.size()) << held << int(way);
            EXPECT_EQ(result.failedItems[0].error.code, held ? FsErrc::deviceHeld : FsErrc::driveBusy)
                << held << int(way);
            EXPECT_EQ(result.failedItems.back().state, ItemState::copiedNotChecked);
            EXPECT_TRUE(result.failures[0].contains(QStringLiteral("(in use by sleep)")))
                << result.failures[0].toStdString();
            EXPECT_EQ(test.expectNoOriginalLost(result), 0);
        }
    }
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}

// The copies' own names are written before the read-back, so the check
// reads them too: a stick that drops what lands past its real capacity
// loses a name's entry there, and that copy's original stays.
TEST(DriveVerdict, TheNamesTheCheckGivesAreReadBackToo)
{
    for (const int big : {13, 14, 15, 16, 17, 18}) {
        StickJob test(DriveKind::exfat, Way::udisks);
        if (!test.makeStick(32, 32, {}, "drop-past " + std::to_string(16 * MiB), {"-c", "4K"}))
            GTEST_SKIP() << test.why;
        std::vector<Candidate> items{test.makeItem(std::string(160, 'b') + ".mkv", big * MiB - 300 * 1024)};
        for (int i = 0; i < 9; ++i)
            items.push_back(test.makeItem(std::string(36 + 14 * i, char('c' + i)) + ".jpg", (128 + 96 * i) * 1024));
        const TransferResult result = test.run(items);
        SCOPED_TRACE(big);
        test.expectNoOriginalLost(result);
    }
}

// One run per drive: while one holds the stick, another is refused before
// it writes anything, also into the bare folder the stick leaves while it
// is unmounted for its check.
TEST(DriveVerdict, ASecondRunOnTheSameDriveIsRefused)
{
    StickJob test(DriveKind::exfat, Way::own);
    if (!test.makeStick(32, 32))
        GTEST_SKIP() << test.why;
    const auto items = test.makeItems(1, MiB);
    const fs::path point = test.stick->mountPoint();
    DriveClaim first;
    {
        const auto held = test.fileSystem.holdFolder(point);
        ASSERT_TRUE(held.ok() && test.fileSystem.claimDrive(held.value(), first).ok());
    }
    const TransferResult mounted = test.run(items);
    ASSERT_TRUE(mounted.destinationFailed.has_value());
    EXPECT_EQ(mounted.destinationFailed->code, FsErrc::driveInUse);
    EXPECT_TRUE(mounted.failures.join(u'\n').contains(QStringLiteral("Another Loftwell transfer is using this drive")));

    ASSERT_EQ(::umount2(point.c_str(), 0), 0);
    const TransferResult away = test.run(items);
    ASSERT_TRUE(away.destinationFailed.has_value());
    EXPECT_EQ(away.destinationFailed->code, FsErrc::driveInUse);
    EXPECT_TRUE(fs::is_empty(point)); // nothing landed on this computer's disk
    EXPECT_TRUE(fs::exists(test.dir / "src" / "item1.mkv"));

    first = DriveClaim{};
    ASSERT_TRUE(test.stick->mountAgain(point));
    const TransferResult again = test.run(items);
    EXPECT_TRUE(again.failures.isEmpty()) << again.failures.join(u'\n').toStdString();
}

// Nothing reaches the drive from the first read-back to the last original
// in the Trash (no rename, no access time, no folder entry), on a kernel
// driver (ext4) and a driver in user space (exFAT), both over a disk that
// counts every byte it is given.
TEST(DriveVerdict, NothingIsWrittenBetweenTheFirstReadBackAndTheLastTrash)
{
    for (const bool fuse : {false, true}) {
        TempDir dir;
        std::unique_ptr<LyingDrive> ext4;
        std::unique_ptr<FuseStick> exfat;
        if (fuse)
            exfat = std::make_unique<FuseStick>(DriveKind::exfat, dir.path(), 64, 64);
        else
            ext4 = std::make_unique<LyingDrive>(dir.path(), 64, 64);
        if (fuse ? !exfat->mounted() : !ext4->mounted())
            GTEST_SKIP() << (fuse ? exfat->why() : ext4->why());
        const FakeDisk& disk = fuse ? exfat->disk() : ext4->disk();
        TrashHeard fileSystem;
        fileSystem.setHome(dir / "home");
        CountedRun counted(disk);
        fileSystem.heard = [&] { counted.trashed(); };
        std::vector<Candidate> items;
        for (int i = 0; i < 4; ++i) {
            const fs::path item = dir / "src" / ("item" + std::to_string(i) + ".mkv");
            writeFile(item, 3 * MiB + i, char('a' + i));
            const ItemMeasure measure = measureItem(item, fileSystem);
            items.push_back(Candidate(item, QStringLiteral("Downloads"), QStringLiteral("Video"), RiskLevel::safe,
                                      QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint));
        }
        const TransferResult result = transfer(items, fuse ? exfat->mountPoint() : ext4->mountPoint(), true, {},
                                               fileSystem, fixedStart, {}, counted.progress());
        EXPECT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
        EXPECT_EQ(result.trashed, 4);
        ASSERT_TRUE(counted.counted());
        EXPECT_EQ(counted.written(), 0) << (fuse ? "exFAT" : "ext4");
    }
}
