// Thousands of small copies are read back many at a time: still a check of
// every byte the drive holds, so one copy the drive gives back changed, or
// cannot give back, fails its item and keeps its original.

#include "transfer/transfer_fault_fixture.h"

#include "support/loop_mount.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// 5,000 files of 200 bytes to 4 KiB in 50 folders; the bytes of one of them.
std::string makePhotos(const fs::path& item)
{
    std::string chosen;
    for (unsigned i = 0; i < 5000; ++i) {
        const fs::path file = item / ("day-" + std::to_string(i / 100)) / ("photo-" + std::to_string(i) + ".jpg");
        fs::create_directories(file.parent_path());
        const std::string bytes = patternedBytes(200 + (i * 37) % 3900, i);
        std::ofstream(file, std::ios::binary) << bytes;
        if (i == 2345)
            chosen = bytes;
    }
    return chosen;
}

const fs::path chosenPhoto = fs::path("day-23") / "photo-2345.jpg";

std::size_t filesUnder(const fs::path& folder)
{
    std::size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        count += entry.is_regular_file();
    return count;
}

// Flips the first byte of `file`'s data on `device` itself, where the file
// system does not see it: its cache of the file still holds what was written.
bool flipOnDevice(const fs::path& file, const std::string& device)
{
    const int in = ::open(file.c_str(), O_RDONLY);
    alignas(fiemap) char request[sizeof(fiemap) + sizeof(fiemap_extent)] = {};
    auto* map = reinterpret_cast<fiemap*>(request);
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_extent_count = 1;
    const bool mapped = in >= 0 && ::ioctl(in, FS_IOC_FIEMAP, map) == 0 && map->fm_mapped_extents == 1 &&
                        (map->fm_extents[0].fe_flags & FIEMAP_EXTENT_DATA_INLINE) == 0;
    ::close(in);
    const int out = ::open(device.c_str(), O_RDWR | O_DIRECT);
    const std::unique_ptr<char, decltype(&std::free)> block(static_cast<char*>(std::aligned_alloc(4096, 4096)),
                                                            &std::free);
    const off_t at = off_t(map->fm_extents[0].fe_physical);
    bool flipped = mapped && out >= 0 && ::pread(out, block.get(), 4096, at) == 4096;
    block.get()[0] ^= 0x01;
    flipped = flipped && ::pwrite(out, block.get(), 4096, at) == 4096 && ::fsync(out) == 0;
    ::close(out);
    return flipped;
}

} // namespace

TEST(ManySmallFiles, AByteChangedOnTheDeviceUnderOneOf5000CopiesFailsThatItemAndKeepsEveryOriginal)
{
    TempDir dir;
    LoopMount drive(dir.path(), "ext4", 160);
    if (!drive.mounted())
        GTEST_SKIP() << drive.why();
    ScriptedFileSystem fileSystem;
    fileSystem.setHome(dir / "home");
    const std::string chosen = makePhotos(dir / "src" / "Photos");
    writeFile(dir / "src" / "Notes" / "todo.txt", 3000, 'n');
    const auto candidate = [&](const fs::path& item) {
        const ItemMeasure measure = measureItem(item, fileSystem);
        return Candidate(item, QStringLiteral("Downloads"), QStringLiteral("Folder"), RiskLevel::safe,
                         QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint);
    };
    // Once every copy is on the drive and before any is read back.
    const fs::path copies = drive / "Loftwell" / "2026-12-07_09-05-03" / "Downloads";
    bool flipped = false;
    const auto beforeReadBack = [&](const ItemProgress& progress) {
        if (flipped || !progress.verifying || progress.checkingDrive || progress.name != QStringLiteral("Photos"))
            return;
        for (const char* name : {"Photos", ".Photos.loftwell-unchecked"}) {
            if (fs::exists(copies / name / chosenPhoto))
                flipped = flipOnDevice(copies / name / chosenPhoto, drive.device());
        }
    };

    const TransferResult result = transfer({candidate(dir / "src" / "Photos"), candidate(dir / "src" / "Notes")},
                                           drive.mountPoint(), true, {}, fileSystem, fixedStart, {}, beforeReadBack);

    ASSERT_TRUE(flipped);
    ASSERT_EQ(result.failedItems.size(), 2u) << result.failures.join(u'\n').toStdString();
    EXPECT_EQ(result.failedItems[0].error.code, FsErrc::contentsDiffer);
    EXPECT_EQ(result.failedItems[0].error.relativePath, chosenPhoto.native());
    EXPECT_EQ(filesUnder(dir / "src" / "Photos"), 5000u);
    EXPECT_EQ(readAll(dir / "src" / "Photos" / chosenPhoto), chosen);
    // A drive that gave back other bytes keeps every original of the run.
    EXPECT_EQ(result.trashed, 0);
    EXPECT_EQ(readAll(dir / "src" / "Notes" / "todo.txt"), std::string(3000, 'n'));
}

TEST_F(TransferFaultTest, AReadErrorOnOneOf5000SmallCopiesFailsTheItemAndKeepsIt)
{
    const std::string chosen = makePhotos(dir / "src" / "Photos");
    const Candidate photos = candidate(dir / "src" / "Photos");
    // The copier reads with pread: from here on, only the read-back reads.
    io.failCall(IoCall::read, 2500, EIO);
    const TransferResult result = transfer({photos}, dir / "drive", true, {}, fileSystem, fixedStart);
    ASSERT_EQ(result.failedItems.size(), 1u);
    EXPECT_EQ(result.failedItems[0].error.code, FsErrc::readBackFailed) << result.failures[0].toStdString();
    EXPECT_GE(io.calls(IoCall::read), 2500);
    EXPECT_EQ(filesUnder(dir / "src" / "Photos"), 5000u);
    EXPECT_EQ(readAll(dir / "src" / "Photos" / chosenPhoto), chosen);
    EXPECT_FALSE(fs::exists(trash() / "files" / "Photos"));
}
