// Sticks as most are sold, exFAT and NTFS, served by drivers in user space
// (exfat-fuse, ntfs-3g), over a disk that may lie: the read-back must come
// from the disk itself, not from what the driver or the kernel keep of it,
// whether the desktop's disk service unmounts and mounts the drive again
// (UDisks2, here a mock that really does) or the program, as root, does
// it itself; and a user who can do neither gets copies, no checks and
// every original kept. No original may be in the Trash unless its copy,
// read after the drive was unmounted and mounted again, is identical.

#include "transfer/transfer_engine.h"

#include "desktop/udisks_remount.h"
#include "fs/error_description.h"
#include "model/path_ops.h"
#include "scan/candidate_scanner.h"
#include "support/stick_job.h"
#include "support/test_values.h"
#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <fstream>
#include <grp.h>
#include <map>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class FuseDriveCheckTest : public ::testing::TestWithParam<std::tuple<DriveKind, Way>>, protected StickJob {
protected:
    FuseDriveCheckTest() : StickJob(std::get<0>(GetParam()), std::get<1>(GetParam())) {}
};

} // namespace

// An honest stick: everything moves, and the check reads every copy from
// the disk, after the drive came back (at another mount point) or its
// device's cache was emptied.
TEST_P(FuseDriveCheckTest, EveryCopyIsReadFromTheDiskItself)
{
    if (!makeStick(96, 96))
        GTEST_SKIP() << why;
    const auto items = makeItems(3, 6 * MiB + 5);
    long long readBefore = -1;
    const TransferResult result = run(items, [&] { readBefore = stick->disk().bytesRead(); });

    EXPECT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    EXPECT_EQ(result.trashed, 3);
    ASSERT_GE(readBefore, 0);
    EXPECT_GE(stick->disk().bytesRead() - readBefore, 3 * (6 * MiB + 5));
    if (viaUdisks()) {
        EXPECT_EQ(result.destination, dir / "media" / "STICK1" / "Loftwell" / "2026-12-07_09-05-03");
        const QStringList calls =
            bus.calls(QStringLiteral("org.freedesktop.UDisks2"),
                      QStringLiteral("/org/freedesktop/UDisks2/block_devices/") +
                          QString::fromStdString(fs::path(stick->disk().device()).filename().native()));
        // Mounted read-only for the check, then as before.
        EXPECT_EQ(calls.filter(QStringLiteral("Unmount")).size(), 2) << calls.join(u'\n').toStdString();
    }
    // Checked copies, under their own names.
    expectNoOriginalLost(result);
}

TEST_P(FuseDriveCheckTest, AFakeCapacityStickLosesNoOriginal)
{
    // Not quite twice: NTFS keeps a mirror of its records at half the
    // claimed size, which would land on its boot sector and never mount.
    if (!makeStick(48, 92))
        GTEST_SKIP() << why;
    const TransferResult result = run(makeItems(8, 8 * MiB));
    EXPECT_FALSE(result.failures.isEmpty()); // never "Transfer Complete"
    expectNoOriginalLost(result);
}

TEST_P(FuseDriveCheckTest, AStickThatDropsEveryWriteLosesNoOriginal)
{
    if (!makeStick(64, 64))
        GTEST_SKIP() << why;
    const auto items = makeItems(4, 4 * MiB);
    stick->disk().setMode("drop-writes");
    const TransferResult result = run(items);
    stick->disk().setMode("normal");
    EXPECT_EQ(result.failedItems.size(), 4u) << result.failures.join(u'\n').toStdString();
    expectNoOriginalLost(result);
}

// Writes acknowledged and dropped from the last copy on: what the earlier
// copies left in the kernel's cache of the device never reaches the stick.
TEST_P(FuseDriveCheckTest, AStickThatDropsWritesAfterTheCopiesLosesNoOriginal)
{
    if (!makeStick(64, 64))
        GTEST_SKIP() << why;
    const TransferResult result = run(makeItems(4, 4 * MiB), {}, [&] { stick->disk().setMode("drop-writes"); });
    stick->disk().setMode("normal");
    expectNoOriginalLost(result);
}

TEST_P(FuseDriveCheckTest, AStickWhoseReadsFailAfterTheCopiesLosesNoOriginal)
{
    if (!makeStick(64, 64))
        GTEST_SKIP() << why;
    const TransferResult result = run(makeItems(4, 4 * MiB), [&] { stick->disk().setMode("fail-reads"); });
    stick->disk().setMode("normal");
    EXPECT_EQ(result.failedItems.size(), 4u) << result.failures.join(u'\n').toStdString();
    expectNoOriginalLost(result);
}

INSTANTIATE_TEST_SUITE_P(ExFatNtfs, FuseDriveCheckTest,
                         ::testing::Combine(::testing::Values(DriveKind::exfat, DriveKind::ntfs),
                                            ::testing::Values(Way::udisks, Way::own)),
                         [](const auto& info) {
                             return std::string(driveKindName(std::get<0>(info.param))) +
                                    (std::get<1>(info.param) == Way::udisks ? "ThroughUdisks" : "ByItself");
                         });

// A drive that does not mount again fails every item, and no original goes.
TEST(FuseDriveCheck, ADriveThatStaysAwayFailsEveryItem)
{
    StickJob test(DriveKind::exfat, Way::udisks);
    if (!test.makeStick(64, 64, {{QStringLiteral("refuse_mount"), true}}))
        GTEST_SKIP() << test.why;
    const TransferResult result = test.run(test.makeItems(2, 2 * MiB));
    ASSERT_EQ(result.failedItems.size(), 2u);
    EXPECT_EQ(result.failedItems[0].error.code, FsErrc::driveNotMountedBack);
    EXPECT_EQ(result.trashed, 0);
}

// A drive the disk service cannot unmount, being busy, was not mounted
// again: its copies would be read from memory, where a stick that drops
// every write still shows them whole. Every copy stays not checked, for
// that reason, and no original goes.
TEST(FuseDriveCheck, ABusyDriveIsNeverTakenForARemountedOne)
{
    StickJob test(DriveKind::exfat, Way::udisks);
    if (!test.makeStick(64, 64, {{QStringLiteral("busy"), true}}))
        GTEST_SKIP() << test.why;
    const auto items = test.makeItems(2, 2 * MiB);
    test.stick->disk().setMode("drop-writes");
    const TransferResult result = test.run(items);
    EXPECT_EQ(test.expectNoOriginalLost(result), 0);
    ASSERT_EQ(result.failedItems.size(), 2u) << result.failures.join(u'\n').toStdString();
    EXPECT_EQ(result.failedItems[0].error.code, FsErrc::driveBusy);
    EXPECT_EQ(result.failedItems[1].state, ItemState::copiedNotChecked);
}

// Neither way open to a user who may not open the device, with no disk
// service: the copies stay, unchecked, and so does every original.
TEST(FuseDriveCheck, AUserWhoCanReachNoDeviceKeepsEveryOriginal)
{
    TempDir dir;
    FuseStick stick(DriveKind::exfat, dir.path(), 64, 64);
    if (!stick.mounted())
        GTEST_SKIP() << stick.why();
    fs::create_directories(dir / "src");
    fs::create_directories(dir / "home");
    writeFile(dir / "src" / "movie.mkv", 3 * MiB, 'm');
    for (const fs::path& path : {dir.path(), dir / "src", dir / "src" / "movie.mkv", dir / "home"})
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_exec, fs::perm_options::add);
    const std::string answer = runInChild([&]() -> std::string {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0)
            return "could not become nobody";
        ScriptedFileSystem fileSystem;
        fileSystem.setHome(dir / "home");
        const ItemMeasure measure = measureItem(dir / "src" / "movie.mkv", fileSystem);
        const Candidate item(dir / "src" / "movie.mkv", QStringLiteral("Downloads"), QStringLiteral("Video"),
                             RiskLevel::safe, QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint);
        const TransferResult result = transfer({item}, stick.mountPoint(), true, {}, fileSystem, fixedStart);
        if (result.failedItems.size() != 1)
            return "failures: " + std::to_string(result.failedItems.size());
        return result.failures[0].endsWith(errorDescription(FsErrc::notCheckedOnDrive)) ? "kept" : "reason";
    });
    EXPECT_EQ(answer, "kept");
    EXPECT_TRUE(readAll(dir / "src" / "movie.mkv") == std::string(3 * MiB, 'm'));
    const fs::path copies = stick.mountPoint() / "Loftwell" / "2026-12-07_09-05-03" / "Downloads";
    EXPECT_TRUE(readAll(copies / ".movie.mkv.loftwell-unchecked") == std::string(3 * MiB, 'm'));
    EXPECT_FALSE(fs::exists(copies / "movie.mkv")); // no name that says "checked"
}
