// The record a run leaves on the drive: every item's original place, its
// copy's and the hashes of what was written, names as bytes, read back like
// a copy; and a record this program cannot read is refused, not guessed at.

#include "transfer/run_record.h"

#include "scan/candidate_scanner.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"
#include "transfer/transfer_engine.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(RunRecord, AMoveLeavesARecordOfEveryItemThatReadsBackWhole)
{
    TempDir dir;
    ScriptedFileSystem fileSystem;
    fileSystem.setHome(dir / "home");
    const fs::path downloads = dir / "home" / "Downloads";
    const std::string odd = nonUtf8Name(" album");
    writeFile(downloads / "film.mkv", 300 * 1024, 'f');
    writeFile(downloads / odd / "song.flac", 200 * 1024, 's');
    writeFile(downloads / odd / ".cover", 100, 'c');
    makeFolder(dir / "drive");
    std::vector<Candidate> items;
    for (const std::string& name : {std::string("film.mkv"), odd}) {
        const ItemMeasure measure = measureItem(downloads / name, fileSystem);
        items.emplace_back(downloads / name, QStringLiteral("下载"), QStringLiteral("File"), RiskLevel::safe,
                           QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint);
    }
    const TransferResult result = transfer(items, dir / "drive", true, {}, fileSystem, fixedStart);
    ASSERT_EQ(result.states, (std::vector<ItemState>{ItemState::moved, ItemState::moved}));

    const auto record = parseRunRecord(QByteArray::fromStdString(readAll(result.destination / ".loftwell-run.json")));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->started, fixedStart);
    EXPECT_FALSE(record->computer.isEmpty());
    ASSERT_EQ(record->items.size(), 2u);
    const RecordedItem& film = record->items[0];
    const RecordedItem& album = record->items[1];
    EXPECT_EQ(film.original, (downloads / "film.mkv").native());
    EXPECT_EQ(album.original, (downloads / odd).native());
    EXPECT_EQ(album.location, QStringLiteral("下载"));
    EXPECT_FALSE(film.folder);
    EXPECT_TRUE(album.folder);
    // Each copy where the record says, below the drive's Loftwell folder.
    const fs::path runs = dir / "drive" / "Loftwell";
    EXPECT_EQ(readAll(runs / film.copy), std::string(300 * 1024, 'f'));
    EXPECT_EQ(readAll(runs / album.copy / ".cover"), std::string(100, 'c'));
    ASSERT_EQ(film.files.size(), 1u);
    EXPECT_EQ(film.files[0].length, 300 * 1024);
    EXPECT_EQ(album.files.size(), 2u);

    // Written again, it reads the same; another version, or damage, is refused.
    const QByteArray json = runRecordJson(*record);
    const auto again = parseRunRecord(json);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->items[1].original, album.original);
    EXPECT_EQ(again->items[1].files[0].hash, album.files[0].hash);
    EXPECT_EQ(runRecordJson(*again), json);
    QByteArray future = json;
    future.replace("\"version\": 1", "\"version\": 2");
    EXPECT_FALSE(parseRunRecord(future));
    EXPECT_FALSE(parseRunRecord(json.left(json.size() / 2)));
}

TEST(RunRecord, ARecordTheDriveGivesBackDifferentKeepsEveryOriginal)
{
    TempDir dir;
    ScriptedFileSystem fileSystem;
    fileSystem.setHome(dir / "home");
    writeFile(dir / "home" / "Downloads" / "film.mkv", 300 * 1024, 'f');
    makeFolder(dir / "drive");
    const fs::path film = dir / "home" / "Downloads" / "film.mkv";
    const ItemMeasure measure = measureItem(film, fileSystem);
    const Candidate item(film, QStringLiteral("Downloads"), QStringLiteral("File"), RiskLevel::safe,
                         QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint);
    fileSystem.corruptCopyNamed(".loftwell-run.json");
    const TransferResult result = transfer({item}, dir / "drive", true, {}, fileSystem, fixedStart);
    EXPECT_EQ(result.states, std::vector<ItemState>{ItemState::copied});
    EXPECT_TRUE(result.driveFault);
    EXPECT_TRUE(fs::exists(film));
}
