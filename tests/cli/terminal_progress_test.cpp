#include "cli/terminal_progress.h"

#include <gtest/gtest.h>

namespace {

ItemProgress item(bool verifying, std::int64_t done)
{
    ItemProgress progress;
    progress.index = 2;
    progress.total = 3;
    progress.name = QStringLiteral("Ubuntu.utm");
    progress.verifying = verifying;
    progress.verifiesContents = true;
    progress.bytesDone = done;
    progress.bytesTotal = 41'900'000'000;
    return progress;
}

} // namespace

TEST(TerminalProgress, TheLineSaysBytesAndSpeedOrVerifying)
{
    EXPECT_EQ(progressLine(item(false, 1'200'000'000), 85'000'000, I18n::Language::english),
              QStringLiteral("2 / 3 Ubuntu.utm  1.2 GB of 41.9 GB  85 MB/s"));
    EXPECT_EQ(progressLine(item(true, 1'200'000'000), 85'000'000, I18n::Language::english),
              QStringLiteral("2 / 3 Ubuntu.utm  1.2 GB of 41.9 GB  verifying"));
    EXPECT_EQ(progressLine(item(true, 1'200'000'000), 0, I18n::Language::chinese),
              QStringLiteral("2 / 3 Ubuntu.utm  1.2 GB / 41.9 GB  正在校验"));
    // No speed before there is one to tell.
    EXPECT_EQ(progressLine(item(false, 0), 0, I18n::Language::english),
              QStringLiteral("2 / 3 Ubuntu.utm  Zero KB of 41.9 GB"));
}

TEST(TerminalProgress, CopyingAndReadingBackEachFillHalfAnItem)
{
    EXPECT_DOUBLE_EQ(item(false, 0).fraction(), 0.0);
    EXPECT_DOUBLE_EQ(item(false, 41'900'000'000).fraction(), 0.5);
    EXPECT_DOUBLE_EQ(item(true, 20'950'000'000).fraction(), 0.75);
    EXPECT_DOUBLE_EQ(item(true, 99'000'000'000).fraction(), 1.0); // hidden files may pass the total
    ItemProgress copyOnly = item(false, 20'950'000'000);
    copyOnly.verifiesContents = false;
    EXPECT_DOUBLE_EQ(copyOnly.fraction(), 0.5);
}
