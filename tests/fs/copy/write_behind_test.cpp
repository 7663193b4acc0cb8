// A large file's copy reaches its drive while it is being copied, not all at
// once in the flush before the read-back: what the drive has really written
// is read from the block device's own count.

#include "fs/copy/item_copier.h"
#include "fs/copy/write_behind.h"
#include "fs/error_description.h"
#include "fs/posix_system_io.h"
#include "support/loop_mount.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t filmBytes = 96LL * 1024 * 1024 + 5;

// Where the film comes from: another disk (reads and writes) or the same
// drive (the kernel's copy).
class WrittenWhileCopiedTest : public ::testing::TestWithParam<bool> {};

} // namespace

TEST_P(WrittenWhileCopiedTest, AllButTheLastTwoPiecesAreOnTheDriveWhenTheCopyReturns)
{
    TempDir dir;
    LoopMount drive(dir.path(), "ext4", 640); // ext4 writes early itself when it runs short of space
    if (!drive.mounted())
        GTEST_SKIP() << drive.why();
    const bool sameDrive = GetParam();
    const fs::path film = sameDrive ? drive / "Film.mkv" : dir / "Film.mkv";
    writeFile(film, filmBytes, 'f');
    ::sync(); // the source's own blocks are not the copy's
    const long long before = drive.bytesWritten();
    ASSERT_GE(before, 0) << "no count of written sectors for the loop device";

    const auto copied = copyItemTree(PosixSystemIo(), film, drive / "Copy.mkv", CopyOptions{true});
    ASSERT_TRUE(copied.ok()) << describeError(copied.error()).toStdString();
    const long long written = drive.bytesWritten() - before;
    // Left to the kernel, 96 MiB would still be in memory: it starts
    // writing after 30 seconds or past a tenth of the machine's memory.
    EXPECT_GE(written, filmBytes - 2 * writeBehindPiece) << written << " bytes written when the copy returned";
    EXPECT_EQ(readAll(drive / "Copy.mkv"), std::string(filmBytes, 'f'));
}

INSTANTIATE_TEST_SUITE_P(FromEitherDisk, WrittenWhileCopiedTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "SameDrive" : "OtherDisk");
                         });
