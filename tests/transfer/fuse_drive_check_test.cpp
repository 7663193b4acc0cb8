// Sticks as most are sold, exFAT and NTFS, served by drivers in user space
// (exfat-fuse, ntfs-3g), over a disk that may lie: the read-back must come
// from the disk itself, not from the kernel's cache of it, whether the
// desktop's disk service unmounts and mounts the drive again (UDisks2,
// here a mock that really does) or the program, as root, drops the
// device's cache; and a user who can do neither gets copies, no checks and
// every original kept. No original may be in the Trash unless its copy,
// read after the drive was unmounted and mounted again, is identical.

#include "transfer/transfer_engine.h"

#include "desktop/udisks_remount.h"
#include "fs/error_description.h"
#include "model/path_ops.h"
#include "scan/candidate_scanner.h"
#include "support/fuse_stick.h"
#include "support/mock_bus.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"
#include "support/unprivileged.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <fstream>
#include <grp.h>
#include <map>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

enum class Way { udisks, device };

// A run to a stick, reaching it one way.
class StickJob {
public:
    StickJob(DriveKind kind, Way way) : kind_(kind), way_(way) {}

    DriveKind kind() const { return kind_; }
    bool viaUdisks() const { return way_ == Way::udisks; }

    // A stick storing `stored` MiB and claiming `claimed`, and the way to
    // reach it; false (the test skips) where this machine cannot.
    bool makeStick(int stored, int claimed, const QJsonObject& udisks = {})
    {
        fileSystem.setHome(dir / "home");
        stick = std::make_unique<FuseStick>(kind(), dir.path(), stored, claimed);
        if (!stick->mounted()) {
            why = stick->why();
            return false;
        }
        if (!viaUdisks())
            return true;
        QJsonArray driver;
        for (const std::string& part : stick->mountCommand("{point}"))
            driver.append(QString::fromStdString(part));
        QJsonObject parameters{{QStringLiteral("device"), QString::fromStdString(stick->disk().device())},
                               {QStringLiteral("driver"), driver},
                               {QStringLiteral("uuid"), QStringLiteral("4A1C-0F2E")},
                               {QStringLiteral("mounted_at"), text(stick->mountPoint())},
                               {QStringLiteral("mount_again_at"), text(dir / "media" / "STICK1")}};
        for (auto it = udisks.begin(); it != udisks.end(); ++it)
            parameters.insert(it.key(), it.value());
        if (!bus.running() || !bus.startUdisks(QString::fromUtf8(QJsonDocument(parameters).toJson()))) {
            why = "needs dbus-daemon and python3-dbusmock";
            return false;
        }
        remount.emplace(bus.connection());
        return true;
    }

    std::vector<Candidate> makeItems(int count, std::int64_t bytes)
    {
        std::vector<Candidate> items;
        fs::create_directories(dir / "src");
        for (int i = 1; i <= count; ++i) {
            const fs::path item = dir / "src" / ("item" + std::to_string(i) + ".mkv");
            contents[lastPathComponent(item)] = patternedBytes(std::size_t(bytes), unsigned(i));
            std::ofstream(item, std::ios::binary) << contents[lastPathComponent(item)];
            const ItemMeasure measure = measureItem(item, fileSystem);
            items.push_back(Candidate(item, QStringLiteral("Downloads"), QStringLiteral("Video"), RiskLevel::safe,
                                      QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint));
        }
        return items;
    }

    // With the Trash; `checking` runs as the drive is about to be checked.
    // `lastCopy` runs as the last item's copy starts.
    TransferResult run(const std::vector<Candidate>& items, const std::function<void()>& checking = {},
                       const std::function<void()>& lastCopy = {})
    {
        const ItemProgressCallback progress = [&](const ItemProgress& item) {
            if (item.checkingDrive && checking)
                checking();
        };
        const TransferProgress starting = [&](std::int64_t index, std::int64_t total, const QString&) {
            if (index == total && lastCopy)
                lastCopy();
        };
        return transfer(items, stick->mountPoint(), true, starting, fileSystem, fixedStart, {}, progress, nullptr,
                        remount ? &*remount : nullptr);
    }

    // The rule itself: every original in the Trash has a true copy on the
    // stick as it reads after being mounted again; none when it will not.
    void expectNoOriginalLost(const TransferResult& result)
    {
        const bool mounts = stick->mountAgain(dir / "looked-at");
        const fs::path copies = dir / "looked-at" / "Loftwell" / "2026-12-07_09-05-03" / "Downloads";
        int trashed = 0;
        for (const auto& [name, bytes] : contents) {
            if (fs::exists(dir / "src" / name)) {
                EXPECT_TRUE(readAll(dir / "src" / name) == bytes) << name;
                continue;
            }
            ++trashed;
            EXPECT_TRUE(mounts && readAll(copies / name) == bytes) << name << ": trashed, and its copy is spoilt";
        }
        EXPECT_EQ(trashed, result.trashed);
    }

    static QString text(const fs::path& path) { return QString::fromStdString(path.native()); }

    TempDir dir;
    ScriptedFileSystem fileSystem;
    std::unique_ptr<FuseStick> stick;
    MockBus bus;
    std::optional<UdisksRemount> remount;
    std::map<std::string, std::string> contents;
    std::string why;

private:
    DriveKind kind_;
    Way way_;
};

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
        const QStringList calls = bus.calls(QStringLiteral("org.freedesktop.UDisks2"),
                                            QStringLiteral("/org/freedesktop/UDisks2/block_devices/") +
                                                text(fs::path(stick->disk().device()).filename()));
        EXPECT_EQ(calls.filter(QStringLiteral("Unmount")).size(), 1) << calls.join(u'\n').toStdString();
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
                                            ::testing::Values(Way::udisks, Way::device)),
                         [](const auto& info) {
                             return std::string(driveKindName(std::get<0>(info.param))) +
                                    (std::get<1>(info.param) == Way::udisks ? "ThroughUdisks" : "ThroughTheDevice");
                         });

// A drive the disk service cannot unmount (another program has a file open
// there) is checked the other way; one that does not mount again fails
// every item, and no original goes.
TEST(FuseDriveCheck, ABusyDriveIsCheckedThroughItsDeviceAndOneThatStaysAwayFailsEveryItem)
{
    for (const bool busy : {true, false}) {
        StickJob test(DriveKind::exfat, Way::udisks);
        const QJsonObject refusal{{QString::fromLatin1(busy ? "busy" : "refuse_mount"), true}};
        if (!test.makeStick(64, 64, refusal))
            GTEST_SKIP() << test.why;
        const TransferResult result = test.run(test.makeItems(2, 2 * MiB));
        if (busy) {
            EXPECT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
            continue;
        }
        ASSERT_EQ(result.failedItems.size(), 2u);
        EXPECT_EQ(result.failedItems[0].error.code, FsErrc::driveNotMountedBack);
        EXPECT_EQ(result.trashed, 0);
    }
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
