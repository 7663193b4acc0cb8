// The candidate and volume records, risk levels and the store of candidates.

#include "model/candidate_store.h"
#include "model/risk_level.h"
#include "model/text_table.h"

#include <gtest/gtest.h>

namespace {

Candidate candidate(const char* path, RiskLevel risk)
{
    return Candidate(path, QStringLiteral("Downloads"), QStringLiteral("File"), risk, QStringLiteral("reason"), 42);
}

} // namespace

TEST(RiskLevel, ConvertsExactlyTheThreeRawValues)
{
    EXPECT_EQ(riskLevelFromRawValue(0), RiskLevel::safe);
    EXPECT_EQ(riskLevelFromRawValue(1), RiskLevel::caution);
    EXPECT_EQ(riskLevelFromRawValue(2), RiskLevel::application);
    EXPECT_FALSE(riskLevelFromRawValue(3).has_value());
    EXPECT_FALSE(riskLevelFromRawValue(-1).has_value());
    EXPECT_FALSE(riskLevelFromRawValue(256).has_value()); // not truncated to 0
    for (RiskLevel level : {RiskLevel::safe, RiskLevel::caution, RiskLevel::application})
        EXPECT_EQ(riskLevelFromRawValue(rawValue(level)), level);
    EXPECT_LT(rawValue(RiskLevel::safe), rawValue(RiskLevel::caution));
    EXPECT_LT(rawValue(RiskLevel::caution), rawValue(RiskLevel::application));
}

TEST(RiskLevel, AdviceTextsComeFromTheTable)
{
    EXPECT_EQ(I18n::text(adviceTextKey(RiskLevel::safe), I18n::Language::english), QStringLiteral("Recommended"));
    EXPECT_EQ(I18n::text(adviceTextKey(RiskLevel::caution), I18n::Language::english), QStringLiteral("Caution"));
    EXPECT_EQ(I18n::text(adviceTextKey(RiskLevel::application), I18n::Language::chinese), QStringLiteral("应用"));
}

TEST(Candidate, OnlySafeItemsStartSelected)
{
    EXPECT_TRUE(candidate("/a", RiskLevel::safe).selected());
    EXPECT_FALSE(candidate("/a", RiskLevel::caution).selected());
    EXPECT_FALSE(candidate("/a", RiskLevel::application).selected());
}

TEST(Candidate, KeepsANonUtf8PathByteForByte)
{
    const std::string bytes = "/tmp/bad-\xff\xfe.bin";
    const Candidate item(bytes, QStringLiteral("x"), QStringLiteral("File"), RiskLevel::safe, QString(), 1);
    EXPECT_EQ(item.sourceURL().native(), bytes);
}

TEST(CandidateStore, SharesOneListAndChangesOnlySelectionInPlace)
{
    CandidateStore store;
    EXPECT_TRUE(store.items().empty());
    store.replaceItems({candidate("/a", RiskLevel::safe), candidate("/b", RiskLevel::caution)});
    store.setSelected(1, true);
    store.setSelected(0, false);
    store.setSelected(7, true); // out of range: ignored
    ASSERT_EQ(store.items().size(), 2u);
    EXPECT_FALSE(store.items()[0].selected());
    EXPECT_TRUE(store.items()[1].selected());
    EXPECT_EQ(store.items()[1].sourceURL(), "/b");
    store.replaceItems({});
    EXPECT_TRUE(store.items().empty());
}
