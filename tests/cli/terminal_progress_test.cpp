// The command line's progress line: the item, then the words the window's strip shows.

#include "cli/terminal_progress.h"

#include <gtest/gtest.h>

TEST(TerminalProgress, TheLineNamesTheItemThenTheRunsProgress)
{
    ItemProgress item;
    item.index = 2;
    item.total = 3;
    item.name = QStringLiteral("Ubuntu.utm");
    item.runItemBytes = 41'900'000'000;
    item.runBytesTotal = 41'900'000'000;
    item.copyBytesDone = 1'200'000'000;
    EXPECT_EQ(progressLine(item, TransferPace(), I18n::Language::english),
              QStringLiteral("2 / 3 Ubuntu.utm  1.2 GB of 41.9 GB · copying"));
}

// Between the copies and their read-back the drive is unmounted and mounted
// again: no item is in hand, and the line says what is going on.
TEST(TerminalProgress, CheckingTheDriveIsSaidInBothLanguages)
{
    ItemProgress item;
    item.index = 3;
    item.total = 3;
    item.name = QStringLiteral("Ubuntu.utm");
    item.checkingDrive = true;
    EXPECT_EQ(progressLine(item, TransferPace(), I18n::Language::english), QStringLiteral("Checking the drive…"));
    EXPECT_EQ(progressLine(item, TransferPace(), I18n::Language::chinese), QStringLiteral("正在核对驱动器上的副本…"));
}
