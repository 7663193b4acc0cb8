// Free names for copies: the name itself when free, else numbered names, else a UUID.

#include "transfer/unique_destination.h"

#include "fs/posix_file_system.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <regex>

namespace fs = std::filesystem;

class UniqueDestinationTest : public ::testing::Test {
protected:
    std::string unique(const std::string& name) { return lastName(uniqueDestination(dir / name, fileSystem)); }
    static std::string lastName(const fs::path& path) { return path.filename().native(); }
    void take(const std::string& name) { writeFile(dir / name, 1); }

    TempDir dir;
    PosixFileSystem fileSystem;
};

TEST_F(UniqueDestinationTest, AFreeNameComesBackUnchangedByteForByte)
{
    const fs::path proposed = dir / nonUtf8Name(" Report.pdf");
    EXPECT_EQ(uniqueDestination(proposed, fileSystem).native(), proposed.native());
}

TEST_F(UniqueDestinationTest, TheFirstFreeNumberWinsBeforeTheExtension)
{
    take("Report.pdf");
    EXPECT_EQ(unique("Report.pdf"), "Report 2.pdf");
    take("Report 3.pdf");
    EXPECT_EQ(unique("Report.pdf"), "Report 2.pdf"); // gaps are filled
    take("Report 2.pdf");
    EXPECT_EQ(unique("Report.pdf"), "Report 4.pdf");
    for (int n = 4; n <= 9; ++n)
        take("Report " + std::to_string(n) + ".pdf");
    EXPECT_EQ(unique("Report.pdf"), "Report 10.pdf");    // no padding
    EXPECT_EQ(unique("Report 2.pdf"), "Report 2 2.pdf"); // numbers are not parsed
}

TEST_F(UniqueDestinationTest, ExtensionIsAfterTheLastDotAndOptional)
{
    makeFolder(dir / "Photos");
    makeFolder(dir / "Editor.app");
    take("backup.tar.gz");
    makeSymlink("nowhere", dir / "dangling.mov");
    EXPECT_EQ(unique("Photos"), "Photos 2");
    EXPECT_EQ(unique("Editor.app"), "Editor 2.app");
    EXPECT_EQ(unique("backup.tar.gz"), "backup.tar 2.gz");
    EXPECT_EQ(unique("dangling.mov"), "dangling 2.mov"); // a dangling link is taken
}

TEST_F(UniqueDestinationTest, AfterAllNumbersAFreshUuid)
{
    take("Report.pdf");
    for (int n = 2; n <= 999; ++n)
        take("Report " + std::to_string(n) + ".pdf");
    const std::string first = unique("Report.pdf");
    const std::string second = unique("Report.pdf");
    const std::regex shape("Report [0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.pdf");
    EXPECT_TRUE(std::regex_match(first, shape)) << first;
    EXPECT_NE(first, second);
}
