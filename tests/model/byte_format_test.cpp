// Byte counts formatted as the platform's file-size formatter does, at every unit boundary.

#include "model/byte_format.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const QLocale enUS(QLocale::English, QLocale::UnitedStates);

QString english(std::int64_t bytes)
{
    return formatBytes(bytes, enUS, I18n::Language::english);
}

} // namespace

TEST(FormatBytes, MatchesThePlatformFormatterInEnUS)
{
    const std::pair<std::int64_t, const char*> vectors[] = {
        {1, "0 KB"},
        {550, "1 KB"},
        {5'500, "6 KB"},
        {1'000, "1 KB"},
        {11'999, "12 KB"},
        {999'999, "1 MB"},
        {5'500'000, "5.5 MB"},
        {20'971'520, "21 MB"},
        {26'214'400, "26.2 MB"},
        {123'456'789, "123.5 MB"},
        {999'900'000, "999.9 MB"},
        {999'950'000, "1 GB"},
        {1'234'567'890, "1.23 GB"},
        {12'345'678'987, "12.35 GB"},
        {5'500'000'000'000, "5,500 GB"},
        {-1'234'567'898, "-1.23 GB"},
        {2'500'000'000'000, "2,500 GB"},
    };
    for (const auto& [bytes, expected] : vectors)
        EXPECT_EQ(english(bytes), QString::fromLatin1(expected)) << bytes;
}

TEST(FormatBytes, ZeroIsSpelledOutOnlyInEnglish)
{
    EXPECT_EQ(english(0), QStringLiteral("Zero KB"));
    EXPECT_EQ(formatBytes(0, QLocale(QLocale::Chinese, QLocale::China), I18n::Language::chinese),
              QStringLiteral("0 KB"));
}

TEST(FormatBytes, UnitsChangeExactlyWhereRoundingReachesAThousand)
{
    EXPECT_EQ(english(999'499), QStringLiteral("999 KB"));
    EXPECT_EQ(english(999'500), QStringLiteral("1 MB"));
    EXPECT_EQ(english(999'949'999), QStringLiteral("999.9 MB"));
    EXPECT_EQ(english(999'950'000), QStringLiteral("1 GB"));
}

TEST(FormatBytes, RoundsHalfToEvenOnTheExactValue)
{
    EXPECT_EQ(english(500), QStringLiteral("0 KB"));
    EXPECT_EQ(english(1'500), QStringLiteral("2 KB"));
    EXPECT_EQ(english(2'500), QStringLiteral("2 KB"));
    EXPECT_EQ(english(2'501), QStringLiteral("3 KB"));
    EXPECT_EQ(english(1'250'000), QStringLiteral("1.2 MB"));
    EXPECT_EQ(english(1'350'000), QStringLiteral("1.4 MB"));
    EXPECT_EQ(english(1'005'000'000), QStringLiteral("1 GB"));
    EXPECT_EQ(english(1'015'000'000), QStringLiteral("1.02 GB"));
    EXPECT_EQ(english(1'500'000'000), QStringLiteral("1.5 GB"));
}

TEST(FormatBytes, ExtremesDoNotOverflow)
{
    EXPECT_EQ(english(std::numeric_limits<std::int64_t>::max()), QStringLiteral("9,223,372,036.85 GB"));
    EXPECT_EQ(english(std::numeric_limits<std::int64_t>::min()), QStringLiteral("-9,223,372,036.85 GB"));
}

TEST(FormatBytes, FollowsTheLocaleAndTreatsCLikeEnUS)
{
    EXPECT_EQ(formatBytes(26'214'400, QLocale::c(), I18n::Language::english), QStringLiteral("26.2 MB"));
    EXPECT_EQ(formatBytes(2'500'000'000'000, QLocale::c(), I18n::Language::english), QStringLiteral("2,500 GB"));
    EXPECT_EQ(formatBytes(26'214'400, QLocale(QLocale::German, QLocale::Germany), I18n::Language::english),
              QStringLiteral("26,2 MB"));
    EXPECT_EQ(formatBytes(2'500'000'000'000, QLocale(QLocale::German, QLocale::Germany), I18n::Language::english),
              QStringLiteral("2.500 GB"));
    EXPECT_EQ(formatBytes(1'234'567'890, QLocale(QLocale::Chinese, QLocale::China), I18n::Language::chinese),
              QStringLiteral("1.23 GB"));
}
