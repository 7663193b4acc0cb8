// Drives that lie or keep writes in memory, on the real kernel paths: a
// green report must still be true. A fake-capacity stick wraps later writes
// onto earlier copies, so no original may go to the Trash before every copy
// of the run is written and read back; and a copy counts as done only once
// the device has received it.

#include "transfer/transfer_engine.h"

#include "model/path_ops.h"
#include "scan/candidate_scanner.h"
#include "support/loop_mount.h"
#include "support/lying_drive.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

Candidate candidate(const fs::path& item, const FileSystem& fileSystem)
{
    const ItemMeasure measure = measureItem(item, fileSystem);
    return Candidate(item, QStringLiteral("Downloads"), QStringLiteral("Video"), RiskLevel::safe,
                     QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint);
}

fs::path copyOf(const fs::path& drive, const std::string& name)
{
    return drive / "Loftwell" / "2026-12-07_09-05-03" / "Downloads" / name;
}

} // namespace

TEST(LyingDriveTransfer, AFakeCapacityStickSendsNoOriginalOfASpoiltCopyToTheTrash)
{
    TempDir dir;
    LyingDrive stick(dir.path(), 128, 256); // claims 256 MiB, stores 128
    if (!stick.mounted())
        GTEST_SKIP() << stick.why();
    ScriptedFileSystem fileSystem;
    fileSystem.setHome(dir / "home");
    std::vector<Candidate> items;
    std::vector<std::string> contents;
    for (unsigned i = 1; i <= 5; ++i) {
        const fs::path item = dir / "src" / ("item" + std::to_string(i) + ".mkv");
        contents.push_back(patternedBytes(40 * 1024 * 1024, i));
        fs::create_directories(item.parent_path());
        std::ofstream(item, std::ios::binary) << contents.back();
        items.push_back(candidate(item, fileSystem));
    }

    const TransferResult result = transfer(items, stick.mountPoint(), true, {}, fileSystem, fixedStart);

    EXPECT_FALSE(result.failures.isEmpty()); // 200 MiB do not fit on 128
    int trashed = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string name = lastPathComponent(items[i].sourceURL());
        if (fs::exists(items[i].sourceURL())) {
            EXPECT_EQ(readAll(items[i].sourceURL()), contents[i]) << name;
            continue;
        }
        ++trashed;
        EXPECT_EQ(readAll(dir / "home" / ".local" / "share" / "Trash" / "files" / name), contents[i]) << name;
        EXPECT_TRUE(readFromDrive(copyOf(stick.mountPoint(), name)) == contents[i]) << name << ": trashed, spoilt copy";
    }
    EXPECT_EQ(trashed, result.trashed);
    EXPECT_EQ(std::size_t(trashed) + std::size_t(result.failures.size()), items.size())
        << result.failures.join(u'\n').toStdString();
}

// Without the Trash too: when the transfer returns, the device has received
// every byte of the copies, the last pieces of a large file and a folder of
// small ones included (left to the kernel, they would reach it 30 s later).
TEST(LyingDriveTransfer, ACopyOnlyRunIsOnTheDeviceWhenItReturns)
{
    TempDir dir;
    LoopMount drive(dir.path(), "ext4", 96);
    if (!drive.mounted())
        GTEST_SKIP() << drive.why();
    ScriptedFileSystem fileSystem;
    const fs::path movie = dir / "src" / "movie.mkv";
    writeFile(movie, 20 * 1024 * 1024 + 4321, 'm');
    for (int i = 0; i < 30; ++i)
        writeFile(dir / "src" / "Photos" / ("img" + std::to_string(i) + ".jpg"), 512 * 1024, char('a' + i % 26));
    const std::int64_t total = 20 * 1024 * 1024 + 4321 + 30 * 512 * 1024;
    const long long before = drive.bytesWritten();
    ASSERT_GE(before, 0);

    const TransferResult result =
        transfer({candidate(movie, fileSystem), candidate(dir / "src" / "Photos", fileSystem)}, drive / "", false, {},
                 fileSystem, fixedStart);

    ASSERT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    EXPECT_GE(drive.bytesWritten() - before, total);
    EXPECT_EQ(result.trashed, 0);
}
