// A record read from a drive is untrusted: records that would bring files
// into the home's hidden folders, outside the home, through a link or up
// with ".." are refused whole before anything is written; a plain one is
// taken, and into a folder the user names, its places outside the home are
// no longer a reason to refuse it.

#include "transfer/bring_back_plan.h"
#include "transfer/restore_safety.h"

#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

void plantRecord(const fs::path& runs, const std::string& folder, const std::string& original,
                 const std::string& copy = {})
{
    RunRecord record;
    record.started = fixedStart;
    const std::string copyPath = copy.empty() ? folder + "/Downloads/x" : copy;
    record.items.push_back({original, QStringLiteral("Downloads"), copyPath, false, 4096, 0, {}});
    writeFile(runs / folder / "Downloads" / "x", 10, 'x');
    const QByteArray json = runRecordJson(record);
    writeFile(runs / folder / ".loftwell-run.json", 0);
    std::FILE* file = std::fopen((runs / folder / ".loftwell-run.json").c_str(), "wb");
    std::fwrite(json.constData(), 1, std::size_t(json.size()), file);
    std::fclose(file);
}

} // namespace

TEST(RestoreSafety, PlantedRecordsAreRefusedWholeAndAPlainOneIsTaken)
{
    TempDir dir;
    ScriptedFileSystem fileSystem;
    const fs::path home = dir / "home";
    fileSystem.setHome(home);
    makeFolder(home / "Videos");
    makeFolder(dir / "outside");
    fs::create_directory_symlink(dir / "outside", home / "Music");
    const fs::path runs = dir / "drive" / "Loftwell";
    plantRecord(runs, "2026-01-01_00-00-01", (home / ".config" / "autostart" / "x.desktop").native());
    plantRecord(runs, "2026-01-01_00-00-02", "/etc/cron.d/x");
    plantRecord(runs, "2026-01-01_00-00-03", (home / "Videos" / ".." / ".." / "x").native());
    plantRecord(runs, "2026-01-01_00-00-04", (home / "Music" / "x").native());
    plantRecord(runs, "2026-01-01_00-00-05", (home / "Videos" / "x").native(), "../../../etc/passwd");
    plantRecord(runs, "2026-01-01_00-00-06", (home / "Videos" / "clip").native());

    DriveRuns found = readDriveRuns(dir / "drive", true, fileSystem);
    ASSERT_EQ(found.runs.size(), 1u) << found.refused.join(u'\n').toStdString();
    EXPECT_EQ(found.runs[0].record.items.at(0).original, (home / "Videos" / "clip").native());
    EXPECT_EQ(found.runs[0].runsFolder, runs);
    ASSERT_EQ(found.refused.size(), 5);
    const QStringList reasons{QStringLiteral("hidden folder"), QStringLiteral("outside your home"),
                              QStringLiteral("not a plain"), QStringLiteral("link"), QStringLiteral("outside its run")};
    for (int i = 0; i < reasons.size(); ++i)
        EXPECT_TRUE(found.refused[i].contains(reasons[i])) << found.refused[i].toStdString();

    // Into a folder the user names, only what is not plain stays refused.
    found = readDriveRuns(dir / "drive", false, fileSystem);
    EXPECT_EQ(found.runs.size(), 4u);
    EXPECT_EQ(found.refused.size(), 2);
    EXPECT_FALSE(fs::exists(dir / "outside" / "x"));
    EXPECT_FALSE(fs::exists(home / ".config"));

    EXPECT_TRUE(isPlainAbsolutePath("/home/u/a b"));
    for (const char* path : {"/home/u/", "/home//u", "/home/./u", "home/u", "/"})
        EXPECT_FALSE(isPlainAbsolutePath(path)) << path;
    EXPECT_FALSE(isPlainRelativePath("a/../b"));
}
