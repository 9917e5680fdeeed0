#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "verdict/split_draw.hpp"

namespace trellmark {
namespace {

std::vector<std::uint32_t> draw(std::uint64_t seed, std::int64_t split, int takes, int k) {
    std::vector<std::uint32_t> scratch(takes);
    std::vector<std::uint32_t> group(k);
    drawRandomGroup(seed, split, scratch, group);
    return group;
}

TEST(VerdictSplitDraw, BinomialCountsAndItsCap) {
    EXPECT_EQ(binomialCapped(6, 3, 1000), 20);
    EXPECT_EQ(binomialCapped(10, 5, 1000), 252);
    EXPECT_EQ(binomialCapped(10, 5, 252), 252);
    EXPECT_EQ(binomialCapped(10, 5, 251), 252);  // cap + 1
    EXPECT_EQ(binomialCapped(7, 0, 1000), 1);
    EXPECT_EQ(binomialCapped(3, 4, 1000), 0);
    EXPECT_EQ(binomialCapped(3, -1, 1000), 0);
    // C(200, 100) is about 9e58: capped long before any overflow.
    EXPECT_EQ(binomialCapped(200, 100, 1000), 1001);
    EXPECT_EQ(binomialCapped(2000, 1000, (std::int64_t{1} << 62) - 1), std::int64_t{1} << 62);
    EXPECT_EQ(binomialCapped(62, 31, std::int64_t{1} << 61), 465428353255261088);
}

TEST(VerdictSplitDraw, RandomGroupsMatchIndependentlyComputedDraws) {
    // splitmix64 / xoshiro256** / multiply-and-reject, written afresh in Python.
    EXPECT_EQ(draw(1, 0, 10, 5), (std::vector<std::uint32_t>{9, 8, 3, 7, 1}));
    EXPECT_EQ(draw(1, 1, 10, 5), (std::vector<std::uint32_t>{7, 8, 3, 1, 2}));
    EXPECT_EQ(draw(2, 0, 10, 5), (std::vector<std::uint32_t>{9, 2, 8, 4, 5}));
    EXPECT_EQ(draw(1, 999, 200, 7), (std::vector<std::uint32_t>{47, 187, 56, 13, 57, 34, 94}));
    EXPECT_EQ(draw(12345678901234567890ULL, 3, 7, 3), (std::vector<std::uint32_t>{6, 2, 3}));
}

TEST(VerdictSplitDraw, EveryTakeIsDrawnAboutEquallyOften) {
    // 20000 groups of 5 of 10: each take 10000 times, sd about 71.
    std::vector<int> counts(10, 0);
    for (std::int64_t split = 0; split < 20000; ++split) {
        const std::vector<std::uint32_t> group = draw(9, split, 10, 5);
        EXPECT_EQ(std::set<std::uint32_t>(group.begin(), group.end()).size(), 5U);
        for (const std::uint32_t take : group) ++counts[take];
    }
    for (const int count : counts) {
        EXPECT_GT(count, 10000 - 400);
        EXPECT_LT(count, 10000 + 400);
    }
}

TEST(VerdictSplitDraw, RanksAndSuccessorsWalkEverySubsetInOrder) {
    std::vector<std::uint32_t> walked(3);
    groupOfRank(6, 0, walked);
    EXPECT_EQ(walked, (std::vector<std::uint32_t>{0, 1, 2}));
    std::set<std::vector<std::uint32_t>> seen;
    for (std::int64_t rank = 0; rank < 20; ++rank) {
        std::vector<std::uint32_t> ranked(3);
        groupOfRank(6, rank, ranked);
        EXPECT_EQ(ranked, walked) << "rank " << rank;
        if (!seen.empty()) {
            EXPECT_LT(*seen.rbegin(), ranked);
        }
        seen.insert(ranked);
        EXPECT_EQ(nextGroup(6, walked), rank < 19);
    }
    EXPECT_EQ(seen.size(), 20U);
    EXPECT_EQ(*seen.rbegin(), (std::vector<std::uint32_t>{3, 4, 5}));
}

}  // namespace
}  // namespace trellmark
