// What a destination can hold, learned by trying on real drives, and items checked against it before writing.

#include "fs/drive/destination_rules.h"

#include "fs/drive/item_fit_check.h"
#include "fs/posix_file_system.h"
#include "fs/posix_system_io.h"
#include "support/drive_image.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
}

DestinationRules expectedRules(DriveKind kind)
{
    DestinationRules rules;
    rules.windowsCharacters = true;
    rules.trailingDotOrSpace = true;
    rules.utf8NamesOnly = true;
    rules.nameLimitInUtf16 = true;
    switch (kind) {
    case DriveKind::exfat:
        rules.caseInsensitive = true;
        rules.symbolicLinks = false;
        break;
    case DriveKind::fat32:
        rules.asciiNamesOnly = true; // fusefat writes no Unicode long names
        rules.caseInsensitive = true;
        rules.symbolicLinks = false;
        rules.largestFile = 4LL * 1024 * 1024 * 1024 - 1;
        rules.folderRenameKeepsContents = false; // fusefat's renamed folder lists nothing
        break;
    case DriveKind::ntfs: break; // Windows names, but case-sensitive and with links, as ntfs-3g keeps them
    }
    return rules;
}

std::string describe(const DestinationRules& r)
{
    return std::string("windows ") + (r.windowsCharacters ? "1" : "0") + " trailing " +
           (r.trailingDotOrSpace ? "1" : "0") + " ascii " + (r.asciiNamesOnly ? "1" : "0") + " utf8 " +
           (r.utf8NamesOnly ? "1" : "0") + " case " + (r.caseInsensitive ? "1" : "0") + " links " +
           (r.symbolicLinks ? "1" : "0") + " utf16 " + (r.nameLimitInUtf16 ? "1" : "0") + " longest " +
           std::to_string(r.longestName) + " largest " + (r.largestFile ? std::to_string(*r.largestFile) : "-") +
           " folder renames " + (r.folderRenameKeepsContents ? "1" : "0");
}

class RealDriveRules : public ::testing::TestWithParam<DriveKind> {};

} // namespace

TEST_P(RealDriveRules, AreLearnedByTryingAndLeaveNothingBehind)
{
    TempDir dir;
    DriveImage drive(GetParam(), dir.path());
    if (!drive.mounted())
        GTEST_SKIP() << drive.skipReason();
    const std::vector<std::string> before = namesIn(drive.mountPoint());
    PosixFileSystem fileSystem;
    const auto held = fileSystem.holdFolder(drive.mountPoint());
    ASSERT_TRUE(held.ok());
    const DestinationRules rules = fileSystem.destinationRules(held.value());
    EXPECT_EQ(describe(rules), describe(expectedRules(GetParam())));
    // Times as the drivers keep them: exfat-fuse and fusefat in even
    // seconds, ntfs-3g in units of 100 ns.
    EXPECT_EQ(fileSystem.timeTolerance(held.value()), GetParam() == DriveKind::ntfs ? 100 : 2'000'000'000);
    EXPECT_EQ(namesIn(drive.mountPoint()), before);
}

INSTANTIATE_TEST_SUITE_P(ExFatFat32Ntfs, RealDriveRules,
                         ::testing::Values(DriveKind::exfat, DriveKind::fat32, DriveKind::ntfs),
                         [](const ::testing::TestParamInfo<DriveKind>& info) {
                             return std::string(driveKindName(info.param));
                         });

TEST(DestinationRules, ALinuxFolderHoldsAnyName)
{
    TempDir dir;
    PosixFileSystem fileSystem;
    const auto held = fileSystem.holdFolder(dir.path());
    ASSERT_TRUE(held.ok());
    DestinationRules plain;
    EXPECT_EQ(describe(fileSystem.destinationRules(held.value())), describe(plain));
    EXPECT_EQ(fileSystem.timeTolerance(held.value()), 0);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(DestinationRules, NamesAgainstTheRules)
{
    const DestinationRules windows = expectedRules(DriveKind::exfat);
    for (const char* bad : {"what?.iso", "a:b.txt", "x\"y", "pipe|d", "star*", "back\\slash", "less<", "ctl\x01",
                            "dot.", "space ", "bad\xff"})
        EXPECT_EQ(nameProblem(bad, windows), FsErrc::nameNotAllowed) << bad;
    for (const char* good : {"Report.pdf", "照片 2026.jpg", ".hidden", "a.b.c", "#1 (final)"})
        EXPECT_EQ(nameProblem(good, windows), std::nullopt) << good;

    // 255 Chinese characters fit where names count UTF-16 units, not on ext4.
    std::string wide;
    for (int i = 0; i < 255; ++i)
        wide += "字";
    EXPECT_EQ(nameProblem(wide, windows), std::nullopt);
    EXPECT_EQ(nameProblem(wide + "字", windows), FsErrc::nameTooLong);
    EXPECT_EQ(nameProblem(wide, DestinationRules{}), FsErrc::nameTooLong);
    EXPECT_EQ(nameProblem(std::string(255, 'x'), DestinationRules{}), std::nullopt);
    EXPECT_EQ(nameProblem("what?.iso", DestinationRules{}), std::nullopt);

    EXPECT_EQ(nameProblem("照片.jpg", expectedRules(DriveKind::fat32)), FsErrc::nameNotAllowed);
    EXPECT_EQ(caseFoldedName("Notes.TXT"), caseFoldedName("notes.txt"));
    EXPECT_NE(caseFoldedName("Notes.txt"), caseFoldedName("Notes.txt "));
}

// FAT32 holds files of at most 4 GiB - 1, known from their sizes alone: an
// item with a bigger one is refused before anything is written, naming it.
TEST(ItemFitCheck, AFileOfFourGibibytesIsTooLargeForFat32)
{
    TempDir dir;
    constexpr std::int64_t largest = 4LL * 1024 * 1024 * 1024 - 1;
    writeSparseFile(dir / "Album" / "fits.bin", largest);
    writeSparseFile(dir / "Album" / "big.iso", largest + 1);
    DestinationRules fat32;
    fat32.largestFile = largest;
    const PosixSystemIo io;
    EXPECT_TRUE(checkItemFits(io, dir / "Album" / "fits.bin", "fits.bin", fat32, std::nullopt).ok());
    const auto refused = checkItemFits(io, dir / "Album", "Album", fat32, std::nullopt);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code, make_error_code(FsErrc::fileTooLarge));
    EXPECT_EQ(refused.error().relativePath, "big.iso");
    EXPECT_TRUE(checkItemFits(io, dir / "Album", "Album", DestinationRules{}, std::nullopt).ok());
}

// A file of several names in the item is copied once: its space counts once.
TEST(ItemFitCheck, AFileOfSeveralNamesTakesItsSpaceOnce)
{
    TempDir dir;
    writeFile(dir / "Build" / "lib.so", 1'000'000);
    fs::create_hard_link(dir / "Build" / "lib.so", dir / "Build" / "lib.so.1");
    fs::create_hard_link(dir / "Build" / "lib.so", dir / "Build" / "lib.so.1.2");
    const PosixSystemIo io;
    EXPECT_TRUE(checkItemFits(io, dir / "Build", "Build", DestinationRules{}, 1'500'000).ok());
    EXPECT_EQ(checkItemFits(io, dir / "Build", "Build", DestinationRules{}, 900'000).error().code,
              make_error_code(FsErrc::notEnoughSpace));
}
