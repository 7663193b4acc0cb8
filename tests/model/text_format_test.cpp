// Filling the table's formats with strings and signed integers, never printing garbage.

#include "model/text_format.h"
#include "model/text_table.h"

#include <gtest/gtest.h>

#include <limits>

TEST(TextFormat, FillsStringsAndIntegersInOrder)
{
    EXPECT_EQ(formatText(I18n::text("drive.available", I18n::Language::english),
                         {QStringLiteral("Backup"), QStringLiteral("1.5 GB")}),
              QStringLiteral("Backup (1.5 GB available)"));
    EXPECT_EQ(formatText(I18n::text("progress.status.found", I18n::Language::english),
                         {std::int64_t(3), QStringLiteral("26.2 MB")}),
              QStringLiteral("Found 3 items / 26.2 MB total"));
    EXPECT_EQ(
        formatText(I18n::text("summary.selectedCount", I18n::Language::chinese), {std::int64_t(2), std::int64_t(5)}),
        QStringLiteral("已选 2 / 5 项"));
}

TEST(TextFormat, IntegersAreSigned64BitWithoutGrouping)
{
    EXPECT_EQ(formatText(QStringLiteral("%d"), {std::int64_t(1234567)}), QStringLiteral("1234567"));
    EXPECT_EQ(formatText(QStringLiteral("%d"), {std::numeric_limits<std::int64_t>::min()}),
              QStringLiteral("-9223372036854775808"));
}

TEST(TextFormat, OddFormatsNeverPrintGarbage)
{
    EXPECT_EQ(formatText(QStringLiteral("%@ and %@"), {QStringLiteral("one")}), QStringLiteral("one and "));
    EXPECT_EQ(formatText(QStringLiteral("%d"), {QStringLiteral("text")}), QString());
    EXPECT_EQ(formatText(QStringLiteral("100%% of %@"), {QStringLiteral("it")}), QStringLiteral("100% of it"));
    EXPECT_EQ(formatText(QStringLiteral("50%"), {}), QStringLiteral("50%"));
    EXPECT_EQ(formatText(QStringLiteral("%x %@"), {QStringLiteral("a")}), QStringLiteral("%x a"));
    // An argument's own "%@" is not a placeholder.
    EXPECT_EQ(formatText(QStringLiteral("%@ / %@"), {QStringLiteral("%@"), QStringLiteral("b")}),
              QStringLiteral("%@ / b"));
}
