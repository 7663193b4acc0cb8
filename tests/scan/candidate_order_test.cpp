// The order of the list: risk, then size, then names in natural order.

#include "scan/candidate_order.h"

#include "model/path_ops.h"

#include <gtest/gtest.h>

namespace {

const QLocale enUS(QLocale::English, QLocale::UnitedStates);

Candidate item(const std::string& path, RiskLevel risk, std::int64_t size)
{
    return Candidate(path, QStringLiteral("root"), QStringLiteral("kind"), risk, QStringLiteral("reason"), size);
}

std::vector<std::string> order(std::vector<Candidate> candidates, const QLocale& locale = enUS)
{
    sortCandidates(candidates, locale);
    std::vector<std::string> paths;
    for (const Candidate& c : candidates)
        paths.push_back(c.sourceURL().native());
    return paths;
}

} // namespace

TEST(CandidateOrder, RiskDecidesFirstThenSizeThenName)
{
    EXPECT_EQ(order({item("/a/zeta", RiskLevel::application, 900), item("/a/Small", RiskLevel::safe, 1),
                     item("/a/warn", RiskLevel::caution, 1000), item("/a/Large", RiskLevel::safe, 2),
                     item("/a/alpha", RiskLevel::safe, 2)}),
              (std::vector<std::string>{"/a/alpha", "/a/Large", "/a/Small", "/a/warn", "/a/zeta"}));
}

TEST(CandidateOrder, NamesInNaturalOrderIgnoringCase)
{
    EXPECT_EQ(order({item("/r/Clip 10.mov", RiskLevel::safe, 5), item("/r/clip 9.mov", RiskLevel::safe, 5),
                     item("/r/Clip 2.mov", RiskLevel::safe, 5), item("/r/Backup", RiskLevel::safe, 5)}),
              (std::vector<std::string>{"/r/Backup", "/r/Clip 2.mov", "/r/clip 9.mov", "/r/Clip 10.mov"}));
}

TEST(CandidateOrder, CollatorTiesAreBrokenTheSameWayEveryTime)
{
    // Lower case first, then the shorter digit run, then raw bytes; then discovery.
    const std::vector<std::string> expected{"/r/abc", "/r/ABC", "/r/file2", "/x/file2", "/r/file02"};
    EXPECT_EQ(order({item("/r/file02", RiskLevel::safe, 5), item("/r/ABC", RiskLevel::safe, 5),
                     item("/r/file2", RiskLevel::safe, 5), item("/x/file2", RiskLevel::safe, 5),
                     item("/r/abc", RiskLevel::safe, 5)}),
              expected);
    EXPECT_LT(compareNames("abc", "ABC", enUS), 0);
    EXPECT_LT(compareNames("file2", "file02", enUS), 0);
    EXPECT_GT(compareNames("file02", "file2", enUS), 0);
    EXPECT_EQ(compareNames("same", "same", enUS), 0);
    EXPECT_NE(compareNames(std::string("bad-\xff"), std::string("bad-\xfe"), enUS), 0);
}

TEST(CandidateOrder, NumbersSortByValueAlsoUnderTheCLocale)
{
    EXPECT_EQ(collationLocale(QLocale::c()), enUS);
    EXPECT_EQ(order({item("/r/Clip 10", RiskLevel::safe, 5), item("/r/Clip 2", RiskLevel::safe, 5)}, QLocale::c()),
              (std::vector<std::string>{"/r/Clip 2", "/r/Clip 10"}));
    EXPECT_EQ(order({item("/r/视频 10", RiskLevel::safe, 5), item("/r/视频 2", RiskLevel::safe, 5)},
                    QLocale(QLocale::Chinese, QLocale::China)),
              (std::vector<std::string>{"/r/视频 2", "/r/视频 10"}));
}
