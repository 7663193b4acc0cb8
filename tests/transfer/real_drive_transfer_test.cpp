// Transfers to real drives (FUSE-mounted images). One pulled out in the
// middle of a copy: its driver killed, so every call on it fails at once;
// the item being copied and every later one fail promptly with one clear
// line, and no original goes to the Trash. And the copy of an original that
// goes to the Trash is on the drive itself by then.

#include "transfer/transfer_engine.h"

#include "fs/error_description.h"
#include "scan/candidate_scanner.h"
#include "support/drive_image.h"
#include "support/fault_injecting_io.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace fs = std::filesystem;

TEST(RealDriveTransfer, APulledDriveFailsTheItemAndEveryLaterOnePromptly)
{
    TempDir dir;
    DriveImage drive(DriveKind::exfat, dir.path(), 96);
    if (!drive.mounted())
        GTEST_SKIP() << drive.skipReason();
    FaultInjectingIo io;
    ScriptedFileSystem fileSystem(io);
    fileSystem.setHome(dir / "home");
    std::vector<Candidate> items;
    for (const char* name : {"one.mkv", "two.mkv", "three.mkv"}) {
        writeFile(dir / "src" / name, 8 * 1024 * 1024, name[0]);
        const ItemMeasure measure = measureItem(dir / "src" / name, fileSystem);
        items.emplace_back(dir / "src" / name, QStringLiteral("Downloads"), QStringLiteral("Video"), RiskLevel::safe,
                           QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint);
    }
    // Halfway through the first file.
    io.beforeCall(IoCall::pwrite, 4, [&] { drive.pull(); });
    // A driver that is gone answers at once; a hang would meet the suite's time limit.
    const TransferResult result = transfer(items, drive.mountPoint(), true, {}, fileSystem);

    ASSERT_EQ(result.failedItems.size(), 3u);
    // Noticed by the engine, or said by the FUSE driver's end.
    for (const ItemFailure& failure : result.failedItems)
        EXPECT_TRUE(failure.error.code == FsErrc::destinationGone || failure.error.code == std::errc::not_connected)
            << failure.item << ": " << failure.error.code.message();
    for (const char* name : {"one.mkv", "two.mkv", "three.mkv"})
        EXPECT_EQ(fs::file_size(dir / "src" / name), 8u * 1024 * 1024) << name;
    EXPECT_FALSE(fs::exists(dir / "home" / ".local" / "share" / "Trash" / "files" / "one.mkv"));
}

// A FUSE driver hears no syncfs: the copy reaches its drive through an fsync
// of its own, whose error fails the item, with the Trash or without.
TEST(RealDriveTransfer, AFailedFlushOfACopyOnExFatFailsTheItem)
{
    TempDir dir;
    DriveImage drive(DriveKind::exfat, dir.path(), 64);
    if (!drive.mounted())
        GTEST_SKIP() << drive.skipReason();
    FaultInjectingIo io;
    ScriptedFileSystem fileSystem(io);
    fileSystem.setHome(dir / "home");
    writeFile(dir / "src" / "Album" / "a.jpg", 300'000, 'a');
    writeFile(dir / "src" / "Album" / "b.jpg", 300'000, 'b');
    const ItemMeasure measure = measureItem(dir / "src" / "Album", fileSystem);
    const std::vector<Candidate> items{Candidate(dir / "src" / "Album", QStringLiteral("Pictures"),
                                                 QStringLiteral("Photos"), RiskLevel::safe, QStringLiteral("reason"),
                                                 measure.sizeBytes, measure.fingerprint)};
    for (const bool toTrash : {false, true}) {
        io.failCall(IoCall::fsync, 1, EIO);
        const TransferResult result = transfer(items, drive.mountPoint(), toTrash, {}, fileSystem);
        ASSERT_EQ(result.failedItems.size(), 1u) << toTrash;
        EXPECT_EQ(result.failedItems[0].error.code, FsErrc::driveWriteFailed) << result.failures[0].toStdString();
        EXPECT_TRUE(fs::exists(dir / "src" / "Album" / "b.jpg"));
        EXPECT_EQ(result.trashed, 0);
    }
}

// What the drive itself holds when an original goes to the Trash: an image of
// its device taken at that moment, mounted on its own, must have the whole
// copy, and the device must have been told to flush its own cache since.
// Unflushed, the drivers' writes sit in the kernel's cache of the device
// (none of the copy was in such an image), and syncfs writes them out
// without flushing the device. FAT32's fusefat writes nothing to its device
// before it is unmounted, whatever is asked of it, so it cannot pass this;
// Debian desktops mount FAT32 with the kernel's driver.
class CopyOnTheDriveTest : public ::testing::TestWithParam<DriveKind> {};

TEST_P(CopyOnTheDriveTest, BeforeItsOriginalGoesToTheTrash)
{
    TempDir dir;
    DriveImage drive(GetParam(), dir.path(), 96);
    if (!drive.mounted())
        GTEST_SKIP() << drive.skipReason();
    const fs::path item = dir / "src" / "Photos";
    std::map<std::string, std::string> files; // relative path, contents
    for (int folder = 0; folder < 3; ++folder) {
        for (int i = 0; i < 12; ++i) {
            const std::string relative = "day " + std::to_string(folder) + "/img" + std::to_string(i) + ".jpg";
            files[relative] = patternedBytes(std::size_t(1000 + 37'000 * i + folder), unsigned(folder * 100 + i));
        }
    }
    for (const auto& [relative, bytes] : files) {
        fs::create_directories((item / relative).parent_path());
        std::ofstream(item / relative, std::ios::binary) << bytes;
    }
    makeFolder(item / "empty");
    FaultInjectingIo io;
    ScriptedFileSystem fileSystem(io);
    fileSystem.setHome(dir / "home");
    const ItemMeasure measure = measureItem(item, fileSystem);
    const std::vector<Candidate> items{Candidate(item, QStringLiteral("Pictures"), QStringLiteral("Photos"),
                                                 RiskLevel::safe, QStringLiteral("reason"), measure.sizeBytes,
                                                 measure.fingerprint)};
    // The first write is the Trash's record of the original, just before
    // the original moves there (the copy is written with pwrite).
    const fs::path taken = dir / "taken.img";
    const long long flushesBefore = drive.deviceFlushes();
    long long flushesAtTrash = -1;
    io.beforeCall(IoCall::write, 1, [&] {
        drive.takeImage(taken);
        flushesAtTrash = drive.deviceFlushes();
    });
    const TransferResult result = transfer(items, drive.mountPoint(), true, {}, fileSystem);
    ASSERT_TRUE(result.failures.isEmpty()) << result.failures.join('\n').toStdString();
    ASSERT_FALSE(fs::exists(item));
    ASSERT_TRUE(fs::exists(taken));
    // Written out and flushed from the device's own cache, but once or
    // twice for the whole copy (and once for the run's record) rather than
    // once per file.
    if (flushesBefore >= 0) {
        EXPECT_GE(flushesAtTrash - flushesBefore, 1);
        EXPECT_LE(flushesAtTrash - flushesBefore, 4);
    }

    const DriveImage pulled(GetParam(), taken, dir / "pulled");
    ASSERT_TRUE(pulled.mounted()) << pulled.skipReason();
    const fs::path copy =
        pulled.mountPoint() / fs::relative(result.destination, drive.mountPoint()) / "Pictures" / "Photos";
    for (const auto& [relative, bytes] : files)
        EXPECT_TRUE(readAll(copy / relative) == bytes) << relative << " is not on the drive";
    EXPECT_TRUE(fs::is_directory(copy / "empty"));
}

INSTANTIATE_TEST_SUITE_P(RealDrives, CopyOnTheDriveTest, ::testing::Values(DriveKind::exfat, DriveKind::ntfs),
                         [](const auto& info) { return std::string(driveKindName(info.param)); });
