// The scan of authorised folders one level deep, on real folders: what is recommended and measured.

#include "scan/candidate_scanner.h"

#include "model/min_candidate_bytes.h"
#include "model/path_ops.h"
#include "model/text_table.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"
#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class ScannerTest : public ::testing::Test {
protected:
    ScannerTest() { fileSystem.setHome(dir.path()); }

    std::vector<Candidate> scan(std::vector<fs::path> roots) { return scanCandidates(roots, fileSystem); }

    static std::vector<std::string> names(const std::vector<Candidate>& candidates)
    {
        std::vector<std::string> result;
        for (const Candidate& candidate : candidates)
            result.push_back(lastPathComponent(candidate.sourceURL()));
        return result;
    }

    TempDir dir;
    ScriptedFileSystem fileSystem;
};

} // namespace

TEST_F(ScannerTest, RecommendsLargeChildrenOneLevelDeep)
{
    const fs::path downloads = dir / "Downloads";
    writeFile(downloads / "Installer.dmg", 25 * MiB);
    writeFile(downloads / "small.zip", 10 * MiB);
    writeFile(downloads / "Project" / "a.bin", 20 * MiB);
    writeFile(downloads / "Project" / "nested" / "b.mov", 10 * MiB);

    const auto result = scan({downloads});
    ASSERT_EQ(names(result), (std::vector<std::string>{"Project", "Installer.dmg"}));
    const Candidate& folder = result[0];
    EXPECT_EQ(folder.kind(), I18n::text("kind.folder"));
    EXPECT_EQ(folder.reason(), I18n::text("reason.largeFolder"));
    EXPECT_EQ(folder.rootName(), I18n::text("root.downloads"));
    EXPECT_EQ(folder.sizeBytes(), 30 * MiB);
    EXPECT_TRUE(folder.selected());
    EXPECT_EQ(folder.sourceURL(), downloads / "Project");
    EXPECT_EQ(result[1].kind(), I18n::text("kind.installer"));
    EXPECT_EQ(result[1].sizeBytes(), 25 * MiB);
}

TEST_F(ScannerTest, EveryItemIsToldOnceAndGetsItsOwnSizeWhenFoldersAreMeasuredTogether)
{
    // More folders than one shared walk takes, each with a size of its own.
    const fs::path root = dir / "root";
    std::map<fs::path, std::int64_t> sizes;
    for (int folder = 0; folder < 300; ++folder) {
        const fs::path item = root / ("folder " + std::to_string(folder));
        writeFile(item / "f", 1);
        sizes[item] = 20 * MiB + folder * 4096;
        fileSystem.setTreeSize(item, sizes[item]);
    }
    writeFile(root / "file.bin", 21 * MiB);
    sizes[root / "file.bin"] = allocatedBytes(root / "file.bin");
    makeSymlink("file.bin", root / "link");
    std::vector<fs::path> told;
    const auto result = scanCandidates({root}, fileSystem, {}, [&](const fs::path& item) { told.push_back(item); });
    ASSERT_FALSE(told.empty());
    EXPECT_TRUE(told.back().empty());
    told.pop_back();
    std::sort(told.begin(), told.end());
    std::vector<fs::path> expected;
    for (const auto& [item, size] : sizes)
        expected.push_back(item);
    EXPECT_EQ(told, expected);
    ASSERT_EQ(result.size(), sizes.size());
    for (const Candidate& candidate : result)
        EXPECT_EQ(candidate.sizeBytes(), sizes[candidate.sourceURL()]) << candidate.sourceURL();
}

TEST_F(ScannerTest, TheThresholdIsInclusive)
{
    const fs::path root = dir / "root";
    writeFile(root / "exact.bin", minCandidateBytes);
    writeFile(root / "block-less.bin", minCandidateBytes - 4096);
    // Space on disk counts, not length: a sparse giant is small.
    writeSparseFile(root / "sparse.bin", 100 * MiB);
    // Byte-exact boundaries through scripted sizes.
    makeFolder(root / "one-less");
    makeFolder(root / "just-enough");
    fileSystem.setTreeSize(root / "one-less", minCandidateBytes - 1);
    fileSystem.setTreeSize(root / "just-enough", minCandidateBytes);

    EXPECT_EQ(names(scan({root})), (std::vector<std::string>{"exact.bin", "just-enough"}));
}

TEST_F(ScannerTest, AnItemReachedTwiceIsRecordedOnceUnderItsFirstRoot)
{
    const fs::path root = dir / "Media";
    writeFile(root / "a.mov", 21 * MiB);
    writeFile(root / "b.mov", 22 * MiB);
    const auto twice = scan({root, root, fs::path(root.native() + "/"), root / "."});
    EXPECT_EQ(names(twice), (std::vector<std::string>{"b.mov", "a.mov"}));

    // Home and its Downloads, in either order: the user folder is looked
    // into, never a candidate itself, and its item is listed once, under it.
    writeFile(dir / "Downloads" / "big.iso", 21 * MiB);
    for (const std::vector<fs::path>& roots :
         {std::vector<fs::path>{dir.path(), dir / "Downloads"}, std::vector<fs::path>{dir / "Downloads", dir.path()},
          std::vector<fs::path>{dir.path()}}) {
        const auto nested = scan(roots);
        ASSERT_EQ(nested.size(), 2u);
        for (const Candidate& candidate : nested) {
            EXPECT_NE(candidate.sourceURL(), dir / "Downloads");
            if (lastPathComponent(candidate.sourceURL()) == "big.iso") {
                EXPECT_EQ(candidate.rootName(), I18n::text("root.downloads"));
            }
        }
    }
}

TEST_F(ScannerTest, AnApplicationRootIsItselfTheCandidateWhateverItsSize)
{
    writeFile(dir / "Tiny.APP" / "Contents" / "binary", 1000);
    writeFile(dir / "Apps" / "Big.app" / "Contents" / "binary", 21 * MiB);
    writeFile(dir / "Apps" / "Big.app" / "Contents" / "ignored-child.mov", 30 * MiB);

    const auto tiny = scan({dir / "Tiny.APP"});
    ASSERT_EQ(tiny.size(), 1u);
    EXPECT_EQ(tiny[0].kind(), I18n::text("kind.app"));
    EXPECT_EQ(tiny[0].risk(), RiskLevel::application);
    EXPECT_FALSE(tiny[0].selected());
    EXPECT_EQ(tiny[0].sizeBytes(), 4096);

    // Already recorded through an earlier root: not again.
    const auto both = scan({dir / "Apps", dir / "Apps" / "Big.app"});
    ASSERT_EQ(both.size(), 1u);
    EXPECT_EQ(both[0].rootName(), QStringLiteral("Apps"));
}

TEST_F(ScannerTest, SkipsHiddenAndSystemNamesAndLinks)
{
    const fs::path root = dir / "root";
    for (const char* name : {".git", ".Trash", "Library", "System", "Volumes"})
        writeFile(root / name / "data.bin", 21 * MiB);
    writeFile(root / "library" / "data.bin", 21 * MiB);
    writeFile(root / "VOLUMES" / "data.bin", 21 * MiB);
    writeFile(dir / "elsewhere" / "huge.bin", 40 * MiB);
    makeSymlink(dir / "elsewhere" / "huge.bin", root / "link.bin");
    makeSymlink(dir / "elsewhere", root / "link-folder");
    writeFile(root / "folder" / "data.bin", 20 * MiB);
    makeSymlink(dir / "elsewhere" / "huge.bin", root / "folder" / "inner-link.bin");
    writeFile(root / "folder" / ".hidden.bin", 5 * MiB);
    // Hidden children are not items, but what is inside an item is moved
    // with it and counts, for the threshold too: 16 MiB + a 5 MiB .git.
    writeFile(root / "project" / "src.bin", 16 * MiB);
    writeFile(root / "project" / ".git" / "pack", 5 * MiB);

    EXPECT_EQ(names(scan({root})), (std::vector<std::string>{"folder", "library", "project", "VOLUMES"}));
    EXPECT_TRUE(shouldSkip(root / "link.bin", fileSystem));
    EXPECT_FALSE(shouldSkip(root / "missing", fileSystem));
    EXPECT_FALSE(isSymbolicLink(root / "missing", fileSystem));
    EXPECT_EQ(itemSize(root / "link.bin", fileSystem), 0);
    EXPECT_EQ(itemSize(root / "folder", fileSystem), 25 * MiB);
}

TEST_F(ScannerTest, ARootReachedThroughALinkIsScanned)
{
    writeFile(dir / "disk" / "Downloads" / "movie.mkv", 21 * MiB);
    makeSymlink(dir / "disk" / "Downloads", dir / "Downloads");
    const auto result = scan({dir / "Downloads"});
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0].sourceURL(), dir / "Downloads" / "movie.mkv");
    EXPECT_EQ(result[0].rootName(), I18n::text("root.downloads"));

    // Chosen itself, the link is followed; met inside a chosen folder (the
    // home), it is a link like any other: nothing of it is listed.
    const auto home = scan({dir.path()});
    for (const Candidate& candidate : home)
        EXPECT_NE(candidate.sourceURL().parent_path(), dir / "Downloads");
}

TEST_F(ScannerTest, OrdersSafeFirstThenLargerThenNaturalNames)
{
    const fs::path root = dir / "root";
    writeFile(root / "Clip 10.mov", 21 * MiB);
    writeFile(root / "Clip 2.mov", 21 * MiB);
    writeFile(root / "Huge.utm", 90 * MiB);
    writeFile(root / "Bigger.zip", 30 * MiB);
    writeFile(root / "Editor.app" / "bin", 95 * MiB);

    const auto result = scan({root});
    EXPECT_EQ(names(result),
              (std::vector<std::string>{"Bigger.zip", "Clip 2.mov", "Clip 10.mov", "Huge.utm", "Editor.app"}));
    EXPECT_EQ(result[3].risk(), RiskLevel::caution);
    EXPECT_FALSE(result[3].selected());
}

TEST_F(ScannerTest, UnreadableAndOddItemsNeverStopTheScan)
{
    const fs::path root = dir / "root";
    writeFile(root / nonUtf8Name(".bin"), 21 * MiB);
    writeFile(root / "mixed" / "readable.bin", 21 * MiB);
    writeFile(root / "mixed" / "locked" / "secret.bin", 30 * MiB);
    ::mkfifo((root / "fifo").c_str(), 0644);
    writeFile(dir / "locked-root" / "x.bin", 30 * MiB);
    ::chmod((root / "mixed" / "locked").c_str(), 0);
    ::chmod((dir / "locked-root").c_str(), 0);

    const std::string answer = runWithoutFileCapabilities([&] {
        ScriptedFileSystem unprivileged;
        std::string out;
        for (const Candidate& c : scanCandidates({dir / "locked-root", root, dir / "missing"}, unprivileged))
            out += c.sourceURL().native() + "=" + std::to_string(c.sizeBytes()) + ";";
        return out;
    });
    ::chmod((root / "mixed" / "locked").c_str(), 0755);
    ::chmod((dir / "locked-root").c_str(), 0755);
    // The locked part of "mixed" is left out; the locked and missing roots add nothing.
    EXPECT_EQ(answer, (root / nonUtf8Name(".bin")).native() + "=" + std::to_string(21 * MiB) + ";" +
                          (root / "mixed").native() + "=" + std::to_string(21 * MiB) + ";");
}

TEST_F(ScannerTest, AnItemWhoseValuesCannotBeReadIsWalked)
{
    const fs::path root = dir / "root";
    writeFile(root / "folder" / "a.bin", 21 * MiB);
    fileSystem.failItemValues(root / "folder", systemError(EACCES));
    const auto result = scan({root});
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0].sizeBytes(), 21 * MiB);
    EXPECT_EQ(result[0].kind(), I18n::text("kind.file")); // the folder test failed too
}

TEST_F(ScannerTest, NamesWellKnownFoldersByTheirLocalisedNames)
{
    const fs::path home = dir.path();
    EXPECT_EQ(displayRootName(home / "Desktop", fileSystem), I18n::text("root.desktop"));
    EXPECT_EQ(displayRootName(home / "Downloads/", fileSystem), I18n::text("root.downloads"));
    EXPECT_EQ(displayRootName(home / "x" / ".." / "Documents", fileSystem), I18n::text("root.documents"));
    EXPECT_EQ(displayRootName(home / "Pictures", fileSystem), I18n::text("root.pictures"));
    EXPECT_EQ(displayRootName(home / "Videos", fileSystem), I18n::text("root.movies"));
    EXPECT_EQ(displayRootName(home / "Movies", fileSystem), QStringLiteral("Movies")); // not a folder of this desktop
    EXPECT_EQ(displayRootName(home / "Music", fileSystem), I18n::text("root.music"));
    EXPECT_EQ(displayRootName(home / "Public", fileSystem), I18n::text("root.public"));
    EXPECT_EQ(displayRootName("/Users/Shared", fileSystem), I18n::text("root.shared"));
    EXPECT_EQ(displayRootName("/Applications", fileSystem), I18n::text("root.applications"));
    EXPECT_EQ(displayRootName(home / "Applications", fileSystem), I18n::text("root.userApplications"));
    EXPECT_EQ(displayRootName(home / "downloads", fileSystem), QStringLiteral("downloads"));
    EXPECT_EQ(displayRootName(home / "Work" / "Downloads", fileSystem), QStringLiteral("Downloads"));
    EXPECT_EQ(displayRootName(home, fileSystem), I18n::text("root.home")); // not the folder's own name
    EXPECT_EQ(displayRootName(home / "Work", fileSystem), QStringLiteral("Work"));
    EXPECT_EQ(displayRootName("/", fileSystem), QStringLiteral("/"));
    EXPECT_EQ(displayRootName(home / nonUtf8Name(), fileSystem), QStringLiteral("bad-\uFFFD\uFFFD"));

    // A Chinese desktop's folders are named as the desktop's; one switched off names nothing.
    fileSystem.setUserFolder(UserFolder::videos, home / "视频");
    fileSystem.setUserFolder(UserFolder::downloads, home / "下载");
    EXPECT_EQ(displayRootName(home / "视频", fileSystem), I18n::text("root.movies"));
    EXPECT_EQ(displayRootName(home / "下载", fileSystem), I18n::text("root.downloads"));
    EXPECT_EQ(displayRootName(home / "Downloads", fileSystem), QStringLiteral("Downloads"));
}

TEST(SystemFolders, OnlyTheTopOfTheSystemIsLeftAlone)
{
    for (const char* name : {"usr", "var", "opt", "tmp", "home", "lost+found", "proc", "snap", "media"})
        EXPECT_TRUE(isSystemFolder("/", name)) << name;
    EXPECT_TRUE(isSystemFolder("//", "usr"));
    EXPECT_FALSE(isSystemFolder("/", "data"));
    EXPECT_FALSE(isSystemFolder("/", "Usr"));
    // Below the top, these are ordinary names.
    EXPECT_FALSE(isSystemFolder("/home/ann/Downloads", "tmp"));
    EXPECT_FALSE(isSystemFolder("/srv", "var"));
}
