// The command line's progress line: bytes, speed or "verifying", and the run's share done.

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

TEST(TerminalProgress, TheRunFractionStaysBetweenNothingAndAll)
{
    ItemProgress run = item(true, 0);
    EXPECT_DOUBLE_EQ(run.runFraction(), 0.0); // no total yet
    run.runBytesTotal = 83'800'000'000;
    run.runBytesDone = 62'850'000'000;
    EXPECT_DOUBLE_EQ(run.runFraction(), 0.75);
    run.runBytesDone = 99'000'000'000; // hidden files may pass the total
    EXPECT_DOUBLE_EQ(run.runFraction(), 1.0);
}
