// The transfer engine on real folders: the dated layout, names, failures, the Trash and hard links.

#include "transfer/transfer_engine.h"

#include "fs/error_description.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "scan/candidate_scanner.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"
#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct ProgressCall {
    std::int64_t index;
    std::int64_t total;
    QString name;
};

class TransferTest : public ::testing::Test {
protected:
    TransferTest()
    {
        fileSystem.setHome(dir / "home");
        makeFolder(dir / "home");
        makeFolder(dir / "drive");
    }

    // A candidate as the scan would make it, measured now.
    Candidate candidate(const fs::path& path, const QString& rootName = QStringLiteral("Downloads"))
    {
        const ItemMeasure measure = measureItem(path, fileSystem);
        return Candidate(path, rootName, QStringLiteral("File"), RiskLevel::safe, QStringLiteral("reason"),
                         measure.sizeBytes, measure.fingerprint);
    }

    TransferResult run(const std::vector<Candidate>& items, bool trash, const QDateTime& start = fixedStart)
    {
        calls.clear();
        return transfer(
            items, dir / "drive", trash,
            [&](std::int64_t i, std::int64_t n, const QString& name) {
                calls.push_back({i, n, name});
            },
            fileSystem, start);
    }

    fs::path dated() const { return dir / "drive" / "Loftwell" / "2026-12-07_09-05-03"; }
    fs::path trashFiles() const { return dir / "home" / ".local" / "share" / "Trash" / "files"; }

    static inline const QDateTime fixedStart{QDate(2026, 12, 7), QTime(9, 5, 3)};
    TempDir dir;
    ScriptedFileSystem fileSystem;
    std::vector<ProgressCall> calls;
};

} // namespace

TEST_F(TransferTest, CopiesIntoTheDatedFolderPerRootAndKeepsOriginals)
{
    writeFile(dir / "src" / "Report.pdf", 5000, 'r');
    writeFile(dir / "src" / "Album" / "song.mp3", 7000, 's');
    writeFile(dir / "src" / "Album" / ".hidden", 100, 'h');
    const auto result =
        run({candidate(dir / "src" / "Report.pdf"), candidate(dir / "src" / "Album", QStringLiteral("音乐"))}, false);

    EXPECT_EQ(result.destination, dated());
    EXPECT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    EXPECT_EQ(readAll(dated() / "Downloads" / "Report.pdf"), std::string(5000, 'r'));
    EXPECT_EQ(readAll(dated() / "音乐" / "Album" / "song.mp3"), std::string(7000, 's'));
    EXPECT_EQ(readAll(dated() / "音乐" / "Album" / ".hidden"), std::string(100, 'h'));
    EXPECT_TRUE(fs::exists(dir / "src" / "Report.pdf"));
    EXPECT_TRUE(fs::exists(dir / "src" / "Album"));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].index, 1);
    EXPECT_EQ(calls[1].index, 2);
    EXPECT_EQ(calls[1].total, 2);
    EXPECT_EQ(calls[1].name, QStringLiteral("Album"));
}

TEST_F(TransferTest, RunsInTheSameSecondShareTheFolderAndNeverOverwrite)
{
    writeFile(dir / "a" / "Report.pdf", 100, '1');
    writeFile(dir / "b" / "Report.pdf", 200, '2');
    writeFile(dir / "c" / "Report.pdf", 300, '3');
    makeFolder(dir / "drive" / "Loftwell"); // an existing Loftwell folder is reused
    EXPECT_TRUE(run({candidate(dir / "a" / "Report.pdf")}, false).failures.isEmpty());
    const auto second = run(
        {candidate(dir / "b" / "Report.pdf"), candidate(dir / "c" / "Report.pdf", QStringLiteral("Desktop"))}, false);
    EXPECT_TRUE(second.failures.isEmpty());
    EXPECT_EQ(readAll(dated() / "Downloads" / "Report.pdf"), std::string(100, '1'));
    EXPECT_EQ(readAll(dated() / "Downloads" / "Report 2.pdf"), std::string(200, '2'));
    EXPECT_EQ(readAll(dated() / "Desktop" / "Report.pdf"), std::string(300, '3'));
}

TEST_F(TransferTest, OneFailingItemAmongThreeIsReportedAndTheOthersGoOn)
{
    for (const char* name : {"one.zip", "two.zip", "three.zip"})
        writeFile(dir / "src" / name, 4096);
    fileSystem.failCopy(dir / "src" / "two.zip", systemError(ENOSPC));
    const auto result = run(
        {candidate(dir / "src" / "one.zip"), candidate(dir / "src" / "two.zip"), candidate(dir / "src" / "three.zip")},
        true);
    ASSERT_EQ(calls.size(), 3u);
    for (std::int64_t i = 0; i < 3; ++i) {
        EXPECT_EQ(calls[std::size_t(i)].index, i + 1);
        EXPECT_EQ(calls[std::size_t(i)].total, 3);
    }
    ASSERT_EQ(result.failures.size(), 1);
    EXPECT_EQ(result.failures[0],
              formatText(I18n::text("failure.item"), {QStringLiteral("Downloads/two.zip"), QStringLiteral("File"),
                                                      I18n::text("risk.safe"), errorDescription(systemError(ENOSPC))}));
    EXPECT_TRUE(fs::exists(dir / "src" / "two.zip"));
    EXPECT_FALSE(fs::exists(dir / "src" / "one.zip"));
    EXPECT_TRUE(fs::exists(trashFiles() / "one.zip"));
    EXPECT_TRUE(fs::exists(trashFiles() / "three.zip"));
}

TEST_F(TransferTest, AnEmptyListLeavesNoEmptyFolderAndCallsNoProgress)
{
    const auto result = run({}, true);
    EXPECT_TRUE(result.failures.isEmpty());
    EXPECT_FALSE(result.savedCopies);
    EXPECT_FALSE(fs::exists(dated()));
    EXPECT_TRUE(fs::is_directory(dated().parent_path()));
    EXPECT_TRUE(calls.empty());
}

TEST_F(TransferTest, ADestinationThatCannotBeMadeStopsBeforeAnyItem)
{
    writeFile(dir / "src" / "a.zip", 10);
    writeFile(dir / "drive" / "Loftwell", 1); // a file where the folder should go
    const auto result = run({candidate(dir / "src" / "a.zip")}, true);
    EXPECT_EQ(result.destination, dated());
    ASSERT_TRUE(result.destinationFailed);
    EXPECT_EQ(result.destinationFailed->code, FsErrc::notARealFolder);
    EXPECT_EQ(result.failures.size(), 1);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(fs::exists(dir / "src" / "a.zip"));
}

// A folder with hard links (a snapshot, a build tree) is copied as cp -a
// does: one file with several names, not the same bytes three times.
TEST_F(TransferTest, HardLinksInsideAnItemStayLinksOfOneFile)
{
    const fs::path item = dir / "src" / "Snapshots";
    writeFile(item / "day1" / "photo.jpg", 100'000, 'p');
    for (const char* day : {"day2", "day3"}) {
        makeFolder(item / day);
        fs::create_hard_link(item / "day1" / "photo.jpg", item / day / "photo.jpg");
    }
    const auto result = run({candidate(item)}, true);
    ASSERT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    const fs::path copy = dated() / "Downloads" / "Snapshots";
    struct stat first;
    ASSERT_EQ(::stat((copy / "day1" / "photo.jpg").c_str(), &first), 0);
    EXPECT_EQ(first.st_nlink, 3u);
    for (const char* day : {"day2", "day3"}) {
        struct stat other;
        ASSERT_EQ(::stat((copy / day / "photo.jpg").c_str(), &other), 0);
        EXPECT_EQ(other.st_ino, first.st_ino) << day;
    }
    EXPECT_EQ(readAll(copy / "day3" / "photo.jpg"), std::string(100'000, 'p'));
}

// The per-root folder is held for the run: should it be moved away in the
// middle, no copy in it is reported as done (each is checked after every
// copy is made), and with the Trash no original goes.
TEST_F(TransferTest, ACopyInAFolderMovedAwayMeanwhileIsNotDone)
{
    writeFile(dir / "src" / "one.zip", 4096, '1');
    writeFile(dir / "src" / "two.zip", 4096, '2');
    for (const bool trash : {false, true}) {
        const auto result = transfer(
            {candidate(dir / "src" / "one.zip"), candidate(dir / "src" / "two.zip")}, dir / "drive", trash,
            [&](std::int64_t index, std::int64_t, const QString&) {
                if (index == 2)
                    fs::rename(dated() / "Downloads", dir / "moved-away");
            },
            fileSystem, fixedStart);
        ASSERT_EQ(result.failedItems.size(), 2u) << trash;
        EXPECT_EQ(result.failedItems.back().error.code, FsErrc::destinationGone);
        EXPECT_TRUE(fs::exists(dir / "src" / "one.zip") && fs::exists(dir / "src" / "two.zip"));
        fs::remove_all(dir / "moved-away");
    }
}

TEST_F(TransferTest, ADestinationThatIsNotThereIsSaidSoAndNotMade)
{
    writeFile(dir / "src" / "a.zip", 10);
    const auto result =
        transfer({candidate(dir / "src" / "a.zip")}, dir / "unplugged", false, {}, fileSystem, QDateTime());
    ASSERT_EQ(result.failures.size(), 1);
    EXPECT_EQ(result.failures[0], formatText(I18n::text("transfer.createDestinationFailed"),
                                             {errorDescription(FsErrc::destinationMissing)}));
    EXPECT_FALSE(fs::exists(dir / "unplugged"));
}

TEST_F(TransferTest, AnItemChangedSinceTheScanIsNeitherCopiedNorTrashed)
{
    writeFile(dir / "src" / "grown.mov", 8192);
    writeFile(dir / "src" / "Album" / "a.jpg", 8192);
    const Candidate grown = candidate(dir / "src" / "grown.mov");
    const Candidate album = candidate(dir / "src" / "Album");
    writeFile(dir / "src" / "grown.mov", 16384);
    ::usleep(10'000);
    writeFile(dir / "src" / "Album" / "a.jpg", 8192, 'y'); // same length, written again
    writeFile(dir / "src" / "zero.bin", 0);
    const auto result = run({grown, album, candidate(dir / "src" / "zero.bin")}, true);
    ASSERT_EQ(result.failedItems.size(), 2u);
    for (const ItemFailure& failure : result.failedItems)
        EXPECT_EQ(failure.error.code, FsErrc::changedSinceScan) << failure.item;
    EXPECT_EQ(fs::file_size(dir / "src" / "grown.mov"), 16384u);
    EXPECT_TRUE(fs::exists(dir / "src" / "Album" / "a.jpg"));
    EXPECT_FALSE(fs::exists(dated() / "Downloads" / "grown.mov"));
    // An empty file measures zero and is still itself: copied and trashed.
    EXPECT_FALSE(fs::exists(dir / "src" / "zero.bin"));
}

TEST_F(TransferTest, SpaceAllocatedAfterTheScanIsNoChange)
{
    // ext4 allocates a fresh file's extent blocks at write-back, after the
    // scan measured it: the contents, not the allocation, decide.
    writeFile(dir / "src" / "Fresh" / "new.iso", 64 * 1024);
    const Candidate scanned = candidate(dir / "src" / "Fresh");
    fileSystem.setTreeSize(dir / "src" / "Fresh", scanned.sizeBytes() + 4096);
    const auto result = run({scanned}, true);
    EXPECT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    EXPECT_FALSE(fs::exists(dir / "src" / "Fresh"));
}

TEST_F(TransferTest, WithoutAFingerprintTheScannedSizeIsChecked)
{
    writeFile(dir / "src" / "old.mov", 8192);
    const Candidate sizeOnly(dir / "src" / "old.mov", QStringLiteral("Downloads"), QStringLiteral("File"),
                             RiskLevel::safe, QStringLiteral("reason"),
                             itemSize(dir / "src" / "old.mov", fileSystem) + 512);
    const auto result = run({sizeOnly}, true);
    ASSERT_EQ(result.failedItems.size(), 1u);
    EXPECT_EQ(result.failedItems[0].error.code, FsErrc::sizeCheckFailed);
    EXPECT_TRUE(fs::exists(dir / "src" / "old.mov"));
}

TEST_F(TransferTest, ALinkWhereTheDatedFolderBelongsIsNeverFollowed)
{
    writeFile(dir / "src" / "a.zip", 10);
    makeFolder(dir / "drive" / "Loftwell");
    makeFolder(dir / "elsewhere");
    makeSymlink(dir / "elsewhere", dated());
    const auto result = run({candidate(dir / "src" / "a.zip")}, true);
    ASSERT_TRUE(result.destinationFailed);
    EXPECT_EQ(result.destinationFailed->code, FsErrc::notARealFolder);
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    EXPECT_TRUE(fs::exists(dir / "src" / "a.zip"));

    // The same for a per-root folder: that item fails, the others go on.
    fs::remove(dated());
    makeFolder(dated());
    makeSymlink(dir / "elsewhere", dated() / "Desktop");
    writeFile(dir / "src" / "b.zip", 10);
    const auto second =
        run({candidate(dir / "src" / "a.zip", QStringLiteral("Desktop")), candidate(dir / "src" / "b.zip")}, true);
    ASSERT_EQ(second.failedItems.size(), 1u);
    EXPECT_EQ(second.failedItems[0].item, 0u);
    EXPECT_EQ(second.failedItems[0].error.code, FsErrc::notARealFolder);
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    EXPECT_FALSE(fs::exists(dir / "src" / "b.zip"));
}

TEST_F(TransferTest, ACorruptCopyNeverSendsTheOriginalToTheTrash)
{
    writeFile(dir / "src" / "Photos" / "a.jpg", 50'000, 'p');
    fileSystem.corruptCopy(dir / "src" / "Photos", "a.jpg");
    const auto result = run({candidate(dir / "src" / "Photos")}, true);
    ASSERT_EQ(result.failedItems.size(), 1u);
    EXPECT_EQ(result.failedItems[0].error.code, FsErrc::contentsDiffer);
    EXPECT_EQ(result.failedItems[0].error.relativePath, "a.jpg");
    // The report's line: the item, its kind and advice, then where and why.
    ASSERT_EQ(result.failures.size(), 1);
    EXPECT_EQ(result.failures[0],
              formatText(I18n::text("failure.item"),
                         {QStringLiteral("Downloads/Photos"), QStringLiteral("File"), adviceText(RiskLevel::safe),
                          describeError(result.failedItems[0].error)}));
    EXPECT_EQ(readAll(dir / "src" / "Photos" / "a.jpg"), std::string(50'000, 'p'));
    // The copy stays, under the name of a copy that was not found right.
    EXPECT_TRUE(fs::exists(dated() / "Downloads" / ".Photos.loftwell-unchecked" / "a.jpg"));
    EXPECT_FALSE(fs::exists(dated() / "Downloads" / "Photos"));
}

TEST_F(TransferTest, ATrashThatFailsKeepsBothCopyAndOriginal)
{
    writeFile(dir / "src" / "a.iso", 4096);
    fileSystem.failTrash(dir / "src" / "a.iso", FsErrc::trashUnavailable);
    const auto result = run({candidate(dir / "src" / "a.iso")}, true);
    ASSERT_EQ(result.failedItems.size(), 1u);
    EXPECT_EQ(result.failedItems[0].error.code, FsErrc::trashUnavailable);
    EXPECT_TRUE(result.failedItems[0].trashStep);
    EXPECT_TRUE(result.failures[0].endsWith(trashStepFailure(FsErrc::trashUnavailable)));
    EXPECT_TRUE(fs::exists(dir / "src" / "a.iso"));
    EXPECT_TRUE(fs::exists(dated() / "Downloads" / "a.iso"));
}

TEST_F(TransferTest, ADestinationInsideTheItemIsRefusedBeforeWriting)
{
    writeFile(dir / "home" / "Documents" / "notes.txt", 10);
    makeFolder(dir / "home" / "Documents" / "Backup");
    calls.clear();
    const auto result = transfer({candidate(dir / "home" / "Documents", QStringLiteral("home"))},
                                 dir / "home" / "Documents" / "Backup", true, {}, fileSystem, fixedStart);
    ASSERT_EQ(result.failedItems.size(), 1u);
    EXPECT_EQ(result.failedItems[0].error.code, FsErrc::copyIntoItself);
    EXPECT_TRUE(fs::exists(dir / "home" / "Documents" / "notes.txt"));
    EXPECT_FALSE(fs::exists(result.destination / "home"));
    // Also through a link to the destination.
    makeSymlink(dir / "home" / "Documents" / "Backup", dir / "backup-link");
    const auto linked = transfer({candidate(dir / "home" / "Documents", QStringLiteral("home"))}, dir / "backup-link",
                                 true, {}, fileSystem, fixedStart);
    ASSERT_EQ(linked.failures.size(), 1);
    EXPECT_TRUE(fs::exists(dir / "home" / "Documents" / "notes.txt"));
}

TEST_F(TransferTest, RootNamesAreSafeFolderNames)
{
    EXPECT_EQ(folderComponent(QStringLiteral("/")), "_");
    EXPECT_EQ(folderComponent(QStringLiteral("..")), "_..");
    EXPECT_EQ(folderComponent(QString()), "_");
    EXPECT_EQ(folderComponent(QStringLiteral("a/b")), "a_b");
    writeFile(dir / "src" / "x.zip", 10);
    EXPECT_TRUE(run({candidate(dir / "src" / "x.zip", QStringLiteral("/"))}, false).failures.isEmpty());
    EXPECT_TRUE(fs::exists(dated() / "_" / "x.zip"));
}

TEST_F(TransferTest, AFullDestinationFailsTheItemAndLosesNothing)
{
    writeFile(dir / "src" / "big.mkv", 12 * MiB, 'v');
    writeFile(dir / "src" / "small.txt", 1000, 's');
    const std::string answer = runWithPrivateMounts([&]() -> std::string {
        if (::mount("tmpfs", (dir / "drive").c_str(), "tmpfs", 0, "size=8m") != 0)
            return "skip";
        // What a failed copy wrote stays, so items after it may fail too: the small one goes first.
        const auto result = run({candidate(dir / "src" / "small.txt"), candidate(dir / "src" / "big.mkv")}, true);
        std::string out = std::to_string(result.failedItems.size());
        // Seen before writing, or by the write.
        const std::error_code full = result.failedItems.empty() ? std::error_code() : result.failedItems[0].error.code;
        if (full == FsErrc::notEnoughSpace || full == std::errc::no_space_on_device)
            out += " nospace";
        out += fs::exists(dir / "src" / "big.mkv") ? " kept" : " lost";
        out += fs::exists(dir / "src" / "small.txt") ? " small-kept" : " small-trashed";
        return out;
    });
    if (answer == "skip")
        GTEST_SKIP() << "needs root for a private mount";
    EXPECT_EQ(answer, "1 nospace kept small-trashed");
    EXPECT_EQ(readAll(dir / "src" / "big.mkv"), std::string(12 * MiB, 'v'));
}

TEST_F(TransferTest, AReadOnlyDestinationIsReportedOnce)
{
    writeFile(dir / "src" / "a.zip", 10);
    const std::string answer = runWithPrivateMounts([&]() -> std::string {
        const std::string drive = (dir / "drive").native();
        if (::mount(drive.c_str(), drive.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            ::mount(nullptr, drive.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
            return "skip";
        const auto result = run({candidate(dir / "src" / "a.zip")}, true);
        if (result.failures.size() != 1)
            return "lines: " + std::to_string(result.failures.size());
        return result.failures[0].toStdString();
    });
    if (answer == "skip")
        GTEST_SKIP() << "needs root for a private mount";
    EXPECT_EQ(QString::fromStdString(answer), I18n::text("transfer.createDestinationFailed")
                                                  .replace(QStringLiteral("%@"), errorDescription(systemError(EROFS))));
    EXPECT_TRUE(fs::exists(dir / "src" / "a.zip"));
}
