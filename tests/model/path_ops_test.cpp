// Path operations on native bytes: last component, extension, standardized paths, display text.

#include "model/path_ops.h"
#include "model/path_text.h"

#include <gtest/gtest.h>

TEST(PathOps, LastComponentIgnoresTrailingSeparators)
{
    EXPECT_EQ(lastPathComponent("/home/u/Downloads"), "Downloads");
    EXPECT_EQ(lastPathComponent("/home/u/Downloads/"), "Downloads");
    EXPECT_EQ(lastPathComponent("Report.pdf"), "Report.pdf");
    EXPECT_EQ(lastPathComponent("/"), "");
    EXPECT_EQ(lastPathComponent(""), "");
}

TEST(PathOps, ExtensionIsWhatFollowsTheLastDot)
{
    EXPECT_EQ(pathExtension("/x/backup.tar.gz"), "gz");
    EXPECT_EQ(pathExtension("/x/Setup.DMG"), "DMG");
    EXPECT_EQ(pathExtension("/x/bigfile"), "");
    EXPECT_EQ(pathExtension("/x/trailing."), "");
    EXPECT_EQ(pathExtension("/x/Editor.app/"), "app");
    EXPECT_EQ(pathExtension("/x/.hidden"), "");
    EXPECT_EQ(pathExtension("/x.d/file"), "");
}

TEST(PathOps, StandardizedPathsOfOneItemAreEqual)
{
    EXPECT_EQ(standardizedPath("/home/u/Downloads/"), standardizedPath("/home/u/./Downloads"));
    EXPECT_EQ(standardizedPath("/home/u//x/../Downloads").native(), "/home/u/Downloads");
    EXPECT_EQ(standardizedPath("/").native(), "/");
}

TEST(PathText, NonUtf8BytesBecomeReplacementCharactersOnlyForDisplay)
{
    const std::filesystem::path path(std::string("/d/\xff\xfe.bin"));
    EXPECT_EQ(displayText(path), QStringLiteral("/d/\uFFFD\uFFFD.bin"));
    EXPECT_EQ(path.native(), std::string("/d/\xff\xfe.bin"));
    EXPECT_EQ(displayText(std::filesystem::path("/d/图片")), QStringLiteral("/d/图片"));
    EXPECT_EQ(pathFromText(QStringLiteral("/d/图片")).native(), "/d/图片");
}
