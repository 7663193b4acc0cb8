#include "scan/measured_text.h"

#include <gtest/gtest.h>

TEST(MeasuredText, GroupsTheCountAndUsesTheProductsSizesInBothLanguages)
{
    EXPECT_EQ(measuredText(295108, 41'900'000'000, I18n::Language::english),
              QStringLiteral("295,108 files, 41.9 GB measured"));
    EXPECT_EQ(measuredText(295108, 41'900'000'000, I18n::Language::chinese),
              QStringLiteral("已测量 295,108 个文件，41.9 GB"));
}
