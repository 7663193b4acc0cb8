// Classifying an item by its name: kind, risk and reason from the extension tables.

#include "scan/assess_candidate.h"
#include "scan/extension_tables.h"

#include "fs/posix_file_system.h"
#include "model/text_table.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <set>
#include <span>

namespace {

class AssessCandidateTest : public ::testing::Test {
protected:
    MoveAssessment assess(const std::filesystem::path& path) { return assessCandidate(path, fileSystem); }

    TempDir dir;
    PosixFileSystem fileSystem;
};

} // namespace

TEST(ExtensionTables, HoldTheirEntriesOnceAcrossAllTables)
{
    std::set<std::string_view> all;
    std::size_t count = 0;
    for (auto table :
         {std::span<const std::string_view>(libraryExtensions),
          std::span<const std::string_view>(virtualMachineExtensions),
          std::span<const std::string_view>(installerExtensions), std::span<const std::string_view>(archiveExtensions),
          std::span<const std::string_view>(imageExtensions), std::span<const std::string_view>(videoExtensions),
          std::span<const std::string_view>(audioExtensions), std::span<const std::string_view>(mediaExtensions)}) {
        for (std::string_view ext : table) {
            all.insert(ext);
            ++count;
            EXPECT_EQ(QString::fromLatin1(ext.data(), qsizetype(ext.size())).toLower().toStdString(), ext);
        }
    }
    EXPECT_EQ(all.size(), count);
    EXPECT_FALSE(all.contains("app"));
}

TEST_F(AssessCandidateTest, ExtensionDecidesRegardlessOfCase)
{
    struct Case {
        const char* name;
        const char* kind;
        RiskLevel risk;
        const char* reason;
    };
    const Case cases[] = {
        {"Setup.DMG", "kind.installer", RiskLevel::safe, "reason.installer"},
        {"Photos Library.photoslibrary", "kind.library", RiskLevel::caution, "reason.library"},
        {"Ubuntu.utm", "kind.virtualMachine", RiskLevel::caution, "reason.virtualMachine"},
        {"Xcode.app", "kind.app", RiskLevel::application, "reason.app"},
        {"Editor.APP", "kind.app", RiskLevel::application, "reason.app"},
        {"backup.tar.gz", "kind.archive", RiskLevel::safe, "reason.archive"},
        {"Movie.MOV", "kind.video", RiskLevel::safe, "reason.video"},
        {"movie.mov", "kind.video", RiskLevel::safe, "reason.video"},
        {"Song.logicx", "kind.audio", RiskLevel::safe, "reason.audio"},
        {"Poster.psb", "kind.media", RiskLevel::safe, "reason.media"},
        {"Poster.psd", "kind.image", RiskLevel::safe, "reason.image"},
        {"disk.qcow2", "kind.virtualMachine", RiskLevel::caution, "reason.virtualMachine"},
        // Linux's own.
        {"code_1.95_amd64.deb", "kind.installer", RiskLevel::safe, "reason.installer"},
        {"tool-2.1.x86_64.rpm", "kind.installer", RiskLevel::safe, "reason.installer"},
        {"org.gimp.GIMP.flatpakref", "kind.installer", RiskLevel::safe, "reason.installer"},
        {"app.flatpak", "kind.installer", RiskLevel::safe, "reason.installer"},
        {"core22_1380.snap", "kind.installer", RiskLevel::safe, "reason.installer"},
        {"Krita-5.2.AppImage", "kind.app", RiskLevel::application, "reason.app"},
        {"Windows.vmdk", "kind.virtualMachine", RiskLevel::caution, "reason.virtualMachine"},
        {"disk.VHDX", "kind.virtualMachine", RiskLevel::caution, "reason.virtualMachine"},
        {"old.vhd", "kind.virtualMachine", RiskLevel::caution, "reason.virtualMachine"},
        {"VirtualBox VMs", "kind.virtualMachine", RiskLevel::caution, "reason.virtualMachine"},
    };
    for (const Case& c : cases) {
        // None of these exist: rules 1 to 9 never look at the disk.
        const MoveAssessment result = assess(dir / c.name);
        EXPECT_EQ(result.kind, I18n::text(c.kind)) << c.name;
        EXPECT_EQ(result.risk, c.risk) << c.name;
        EXPECT_EQ(result.reason, I18n::text(c.reason)) << c.name;
    }
}

TEST_F(AssessCandidateTest, FolderOrFileOnlyWhenNoExtensionMatches)
{
    writeFile(dir / "bigfile", 10);
    makeFolder(dir / "Projects");
    makeFolder(dir / "Old.zip");
    makeFolder(dir / "Project.fcpbundle");
    makeFolder(dir / "notes.txt");
    makeSymlink("Projects", dir / "link-to-folder");

    EXPECT_EQ(assess(dir / "bigfile").kind, I18n::text("kind.file"));
    EXPECT_EQ(assess(dir / "bigfile").reason, I18n::text("reason.file"));
    EXPECT_EQ(assess(dir / "Projects").kind, I18n::text("kind.folder"));
    EXPECT_EQ(assess(dir / "Projects").reason, I18n::text("reason.largeFolder"));
    EXPECT_EQ(assess(dir / "notes.txt").kind, I18n::text("kind.folder"));
    EXPECT_EQ(assess(dir / "Old.zip").kind, I18n::text("kind.archive"));
    EXPECT_EQ(assess(dir / "Project.fcpbundle").kind, I18n::text("kind.library"));
    // The directory test reads the item itself: a link is not a folder.
    EXPECT_EQ(assess(dir / "link-to-folder").kind, I18n::text("kind.file"));
    // Unreadable or missing: not a folder.
    EXPECT_EQ(assess(dir / "missing").kind, I18n::text("kind.file"));
    for (const char* name : {"bigfile", "Projects", "missing"})
        EXPECT_EQ(assess(dir / name).risk, RiskLevel::safe);

    // An item named by the user below the scan's size is not called large;
    // at that size it is, and a kind's own reason always stands.
    const auto named = [&](const char* name, std::int64_t size) {
        return assessNamedItem(dir / name, size, fileSystem).reason;
    };
    EXPECT_EQ(named("bigfile", 12'000), I18n::text("reason.smallFile"));
    EXPECT_EQ(named("Projects", 12'000), I18n::text("reason.folder"));
    EXPECT_EQ(named("bigfile", 20 * 1024 * 1024), I18n::text("reason.file"));
    EXPECT_EQ(named("Old.zip", 12'000), I18n::text("reason.archive"));
    // Scripts get each reason under a name that is the same in every language.
    EXPECT_EQ(reasonKey(I18n::text("reason.smallFile")), QStringLiteral("smallFile"));
    EXPECT_EQ(reasonKey(I18n::text("reason.virtualMachine")), QStringLiteral("virtualMachine"));
    EXPECT_EQ(reasonKey(QStringLiteral("no such reason")), QString());
}

TEST_F(AssessCandidateTest, NamesThatAreNotUtf8AreClassifiedByTheirExtension)
{
    EXPECT_EQ(assess(dir / nonUtf8Name(".mkv")).kind, I18n::text("kind.video"));
    writeFile(dir / nonUtf8Name(), 1);
    EXPECT_EQ(assess(dir / nonUtf8Name()).kind, I18n::text("kind.file"));
    EXPECT_EQ(lowercasedExtension("/x/Clip.MP4"), "mp4");
    EXPECT_EQ(lowercasedExtension("/x/ARCHIVE.ZİP"), QStringLiteral("zi̇p").toStdString());
}
