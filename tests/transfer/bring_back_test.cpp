// Bringing moved items back: from the Trash while the original is there,
// else from the drive, checked against the run's record; never over what
// stands in an original's place; nothing written where the copy changed on
// the drive or the space is short; the history says where each one went.

#include "transfer/bring_back.h"

#include "scan/candidate_scanner.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"
#include "transfer/bring_back_plan.h"
#include "transfer/bring_back_report.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

struct MovedRun {
    HistoryEntry entry;
    std::optional<fs::path> runsNow;
};

MovedRun moveAway(const std::vector<fs::path>& paths, const fs::path& drive, const fs::path& history,
                  const FileSystem& fileSystem)
{
    std::vector<Candidate> items;
    for (const fs::path& path : paths) {
        const ItemMeasure measure = measureItem(path, fileSystem);
        items.emplace_back(path, QStringLiteral("Downloads"), QStringLiteral("File"), RiskLevel::safe,
                           QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint);
    }
    const TransferResult result = transfer(items, drive, true, {}, fileSystem, fixedStart);
    const DriveIdentity identity{
        {}, QStringLiteral("BACKUP"), fileSystem.mountPoint(drive).value_or("/"), result.destination.parent_path()};
    EXPECT_TRUE(addToHistory(history, historyEntry(items, result, identity, fixedStart)));
    HistoryRead read = readHistory(history);
    EXPECT_EQ(read.runs.size(), 1u);
    MovedRun run{std::move(read.runs.at(0)), std::nullopt};
    run.runsNow = runsFolderNow(run.entry, fileSystem);
    return run;
}

BringBackItem itemOf(const MovedRun& run, std::size_t index, const fs::path& target, const FileSystem& fileSystem)
{
    const ItemWhere where = whereNow(run.entry, index, run.runsNow, fileSystem);
    return {run.entry.items[index].original,
            target,
            where.trashed,
            where.copy,
            run.runsNow.value_or(fs::path()),
            *recordedItemOf(run.entry.record, run.entry.items[index].original),
            QStringLiteral("BACKUP"),
            true};
}

} // namespace

TEST(BringBack, FromTheTrashFirstThenFromTheDriveCheckedAndNeverOverWhatStandsThere)
{
    TempDir dir;
    ScriptedFileSystem fileSystem;
    fileSystem.setHome(dir / "home");
    const fs::path downloads = dir / "home" / "Downloads";
    const fs::path film = downloads / "film.mkv";
    const fs::path album = downloads / nonUtf8Name(" album");
    writeFile(film, 300 * 1024, 'f');
    writeFile(album / "song.flac", 200 * 1024, 's');
    writeFile(album / ".cover", 100, 'c');
    fs::create_symlink("/etc/passwd", album / "elsewhere");
    makeFolder(dir / "drive");
    const MovedRun run = moveAway({film, album}, dir / "drive", dir / "history", fileSystem);
    ASSERT_TRUE(run.runsNow);
    struct stat folder {};
    ASSERT_EQ(::stat((dir / "history").c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u); // it lists the user's paths

    // The film is still in the Trash: put back from there, its entry gone.
    BringBackItem filmBack = itemOf(run, 0, film, fileSystem);
    ASSERT_FALSE(filmBack.trashed.empty());
    const fs::path trash = dir / "home" / ".local" / "share" / "Trash";
    BringBackResult result = bringBack({filmBack}, fileSystem);
    ASSERT_TRUE(result.items.at(0).at) << result.items[0].failure.toStdString();
    EXPECT_TRUE(result.items[0].fromTrash);
    EXPECT_EQ(readAll(film), std::string(300 * 1024, 'f'));
    EXPECT_FALSE(fs::exists(trash / "files" / "film.mkv"));
    EXPECT_FALSE(fs::exists(trash / "info" / "film.mkv.trashinfo"));

    // The Trash emptied, and another folder now has the album's name: it
    // comes from the drive, beside that folder, which stays untouched.
    fs::remove_all(trash);
    writeFile(album / "mine.txt", 10, 'm');
    result = bringBack({itemOf(run, 1, album, fileSystem)}, fileSystem);
    ASSERT_TRUE(result.items.at(0).at) << result.items[0].failure.toStdString();
    EXPECT_FALSE(result.items[0].fromTrash);
    EXPECT_TRUE(result.items[0].beside);
    EXPECT_EQ(*result.items[0].at, downloads / nonUtf8Name(" album 2"));
    EXPECT_EQ(readAll(*result.items[0].at / "song.flac"), std::string(200 * 1024, 's'));
    EXPECT_EQ(readAll(*result.items[0].at / ".cover"), std::string(100, 'c'));
    ASSERT_TRUE(fs::is_symlink(*result.items[0].at / "elsewhere")); // a link comes back a link, never followed
    EXPECT_EQ(fs::read_symlink(*result.items[0].at / "elsewhere"), "/etc/passwd");
    EXPECT_EQ(readAll(album / "mine.txt"), "mmmmmmmmmm");
    EXPECT_EQ(std::distance(fs::directory_iterator(album), fs::directory_iterator()), 1);
    const BringBackReport report = makeBringBackReport({itemOf(run, 1, album, fileSystem)}, result);
    EXPECT_TRUE(report.allBack);
    EXPECT_TRUE(report.lines.at(0).contains(QStringLiteral("beside"))) << report.lines[0].toStdString();

    // A copy changed on the drive: refused in the drive's words, nothing left where it was going.
    const fs::path elsewhere = dir / "elsewhere";
    makeFolder(elsewhere);
    writeFile(run.runsNow.value() / run.entry.record.items[0].copy, 300 * 1024, 'g');
    BringBackItem changed = itemOf(run, 0, elsewhere / "film.mkv", fileSystem);
    result = bringBack({changed}, fileSystem);
    EXPECT_FALSE(result.items.at(0).at) << result.items[0].failure.toStdString();
    EXPECT_EQ(result.items[0].failure, QStringLiteral("This copy on BACKUP has changed since it was moved"));
    EXPECT_TRUE(fs::is_empty(elsewhere));

    // Short of space where they go: refused before anything is written.
    fileSystem.setVolumeValues(elsewhere, VolumeValues{std::nullopt, 1024, 1 << 20});
    result = bringBack({itemOf(run, 1, elsewhere / "album", fileSystem)}, fileSystem);
    EXPECT_FALSE(result.refused.isEmpty());
    EXPECT_TRUE(result.items.empty());
    EXPECT_TRUE(fs::is_empty(elsewhere));
}
