// A transfer within one XFS drive, where a copy shares its source's blocks:
// the copy is checked by its blocks and one read from the drive, and by
// reading and comparing both files when the blocks cannot be shown alike.

#include "transfer/transfer_engine.h"

#include "fs/check/copy_verifier.h"
#include "fs/copy/item_copier.h"
#include "fs/error_description.h"
#include "fs/posix_system_io.h"
#include "scan/candidate_scanner.h"
#include "support/fault_injecting_io.h"
#include "support/loop_mount.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"

#include <gtest/gtest.h>

#include <fstream>
#include <linux/fiemap.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool everyExtentShared(const fs::path& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<FileExtent> extents;
    const bool read = fd >= 0 && PosixSystemIo().fileExtents(fd, extents) == 0;
    ::close(fd);
    return read && !extents.empty() && std::all_of(extents.begin(), extents.end(), [](const FileExtent& e) {
               return e.flags & FIEMAP_EXTENT_SHARED;
           });
}

class ReflinkTransferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!xfs.mounted())
            GTEST_SKIP() << xfs.why();
        fileSystem.setHome(xfs / "home");
        fs::create_directories(xfs / "home");
        fs::create_directories(xfs / "drive");
    }

    // A 5 MiB film (two pieces of read-back) and an album of 20 photos
    // (enough for the helper thread to take a share).
    void makeItems()
    {
        std::ofstream(xfs / "Movie.mkv", std::ios::binary) << movie;
        fs::create_directories(xfs / "Album");
        for (int i = 0; i < 20; ++i)
            std::ofstream(xfs / "Album" / ("photo-" + std::to_string(i) + ".jpg"), std::ios::binary)
                << patternedBytes(5000 + i, unsigned(i));
    }

    TransferResult transferItems(const std::vector<fs::path>& items)
    {
        std::vector<Candidate> candidates;
        for (const fs::path& item : items) {
            const ItemMeasure measure = measureItem(item, fileSystem);
            candidates.push_back(Candidate(item, QStringLiteral("Downloads"), QStringLiteral("Video"), RiskLevel::safe,
                                           QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint));
        }
        const TransferResult result = transfer(candidates, xfs / "drive", true, {}, fileSystem, fixedStart);
        return result;
    }

    fs::path copied(const char* name) const
    {
        return xfs / "drive" / "Loftwell" / "2026-12-07_09-05-03" / "Downloads" / name;
    }
    // One failure, for a copy that reads back differently, and the film
    // still in its place.
    void expectContentsDifferAndFilmKept(const TransferResult& result) const
    {
        ASSERT_EQ(result.failedItems.size(), 1u);
        EXPECT_EQ(result.failedItems[0].error.code, FsErrc::contentsDiffer) << result.failures[0].toStdString();
        EXPECT_TRUE(readAll(xfs / "Movie.mkv") == movie);
    }

    fs::path trashed(const char* name) const { return xfs / "home" / ".local" / "share" / "Trash" / "files" / name; }

    TempDir dir;
    LoopMount xfs{dir.path(), "xfs", 320}; // the least mkfs.xfs takes
    FaultInjectingIo io;
    ScriptedFileSystem fileSystem{io};
    const std::string movie = patternedBytes(5 * 1024 * 1024 + 3, 7);
};

TEST_F(ReflinkTransferTest, TheCopySharesTheBlocksAndIsCheckedByThemAndOneRead)
{
    makeItems();
    const int preads = io.calls(IoCall::pread);
    const int reads = io.calls(IoCall::read);
    const TransferResult result = transferItems({xfs / "Movie.mkv", xfs / "Album"});
    EXPECT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    EXPECT_TRUE(readAll(trashed("Movie.mkv")) == movie);
    EXPECT_TRUE(readAll(copied("Movie.mkv")) == movie);
    EXPECT_EQ(readAll(copied("Album") / "photo-19.jpg"), patternedBytes(5019, 19));
    EXPECT_TRUE(everyExtentShared(copied("Movie.mkv")));
    EXPECT_TRUE(everyExtentShared(copied("Album") / "photo-3.jpg"));
    // Nothing hashed while copying but the run's record (on another disk:
    // no blocks to share), and only the copies read back: the film in two
    // pieces, each photo in one, and the record.
    EXPECT_EQ(io.calls(IoCall::pread) - preads, 2);
    EXPECT_EQ(io.calls(IoCall::read) - reads, 2 + 20 + 1);
}

TEST_F(ReflinkTransferTest, WithoutTheExtentMapsBothFilesAreReadAndCompared)
{
    io.failCall(IoCall::fileExtents, 1, EOPNOTSUPP, 1'000'000);
    makeItems();
    const int reads = io.calls(IoCall::read);
    const TransferResult result = transferItems({xfs / "Movie.mkv", xfs / "Album"});
    EXPECT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    EXPECT_TRUE(readAll(trashed("Movie.mkv")) == movie);
    EXPECT_EQ(io.calls(IoCall::read) - reads, 2 * (2 + 20) + 1); // and the run's record

    // A byte that reads back differently is found, and the original stays.
    fs::remove_all(xfs / "drive" / "Loftwell");
    fs::remove_all(xfs / "home" / ".local");
    std::ofstream(xfs / "Movie.mkv", std::ios::binary) << movie;
    io.flipByteOnRead(2);
    expectContentsDifferAndFilmKept(transferItems({xfs / "Movie.mkv"}));
}

TEST_F(ReflinkTransferTest, ACopyReplacedAfterItsBlocksWereCheckedFails)
{
    std::ofstream(xfs / "Movie.mkv", std::ios::binary) << movie;
    // Between the copy's extent map and its read-back, another file of the
    // same length takes its name: the read must not vouch for it.
    io.beforeCall(IoCall::fileExtents, 2, [&] {
        std::ofstream(xfs / "other", std::ios::binary) << std::string(movie.size(), 'o');
        fs::rename(xfs / "other", copied("Movie.mkv"));
    });
    expectContentsDifferAndFilmKept(transferItems({xfs / "Movie.mkv"}));
}

TEST_F(ReflinkTransferTest, EveryByteOfTheCopyCountsOnceAsVerified)
{
    // Where both files are read, or a refused direct read is read again
    // through the cache, the progress still adds up to the copy's length.
    std::ofstream(xfs / "Movie.mkv", std::ios::binary) << movie;
    for (const bool mapsFail : {true, false}) {
        fs::remove_all(xfs / "copy");
        const auto manifest = copyItemTree(io, xfs / "Movie.mkv", xfs / "copy", CopyOptions{true});
        ASSERT_TRUE(manifest.ok());
        io.clearFailures(IoCall::fileExtents);
        if (mapsFail)
            io.failCall(IoCall::fileExtents, 1, EOPNOTSUPP, 1'000'000);
        else
            io.failCall(IoCall::read, 2, EINVAL, 1); // the film's second piece
        std::int64_t verified = 0;
        const auto result =
            verifyItemCopy(io, xfs / "Movie.mkv", AT_FDCWD, (xfs / "copy").native(), xfs / "copy", manifest.value(),
                           CopyCheck::contentsBeforeTrash, {}, [&](std::int64_t bytes) { verified += bytes; });
        EXPECT_TRUE(result.ok()) << mapsFail;
        EXPECT_EQ(verified, std::int64_t(movie.size())) << mapsFail;
    }
}

} // namespace
