// A real drive pulled out in the middle of a copy: its FUSE driver killed,
// so every call on it fails at once. The item being copied and every later
// one fail promptly with one clear line; no original goes to the Trash.

#include "transfer/transfer_engine.h"

#include "fs/error_description.h"
#include "scan/candidate_scanner.h"
#include "support/drive_image.h"
#include "support/fault_injecting_io.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

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

    ASSERT_EQ(result.failures.size(), 3);
    for (const QString& line : result.failures)
        EXPECT_TRUE(line.endsWith(errorDescription(FsErrc::destinationGone))) << line.toStdString();
    for (const char* name : {"one.mkv", "two.mkv", "three.mkv"})
        EXPECT_EQ(fs::file_size(dir / "src" / name), 8u * 1024 * 1024) << name;
    EXPECT_FALSE(fs::exists(dir / "home" / ".local" / "share" / "Trash" / "files" / "one.mkv"));
}
