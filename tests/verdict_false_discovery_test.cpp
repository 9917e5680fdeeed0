#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "verdict/false_discovery.hpp"

namespace trellmark {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(VerdictFalseDiscovery, TenHandWorkedPValuesWithTiesAndANan) {
    // Sorted, with the NaN as 1: .001 .008 .012 .012 .0305 .031 .034 .3 .9 1.
    // Thresholds (k / 10) * .05: .005 .01 .015 .02 .025 .03 .035 .04 .045 .05.
    // Ranks 1-4 and 7 pass; the largest is 7, so every p <= .034 is kept,
    // including .0305 and .031, which fail their own ranks.
    const std::vector<double> p{0.034, 0.001, nan, 0.012, 0.012, 0.3, 0.031, 0.0305, 0.9, 0.008};
    const FalseDiscoveryResult result = benjaminiHochberg(p, 0.05);
    EXPECT_EQ(result.keptCount, 7);
    EXPECT_EQ(result.kept, (std::vector<std::uint8_t>{1, 1, 0, 1, 1, 0, 1, 1, 0, 1}));
}

TEST(VerdictFalseDiscovery, ThresholdFormedAsRankOverCountTimesQ) {
    // (3 / 10) * .05 = 0.015 but 3 * .05 / 10 = 0.015000000000000003: a p of
    // the latter fails rank 3, so only ranks 1 and 2 are kept.
    std::vector<double> p{0.001, 0.002, 0.015000000000000003};
    p.resize(10, 0.9);
    const FalseDiscoveryResult result = benjaminiHochberg(p, 0.05);
    EXPECT_EQ(result.keptCount, 2);
    // (7 / 10) * .05 = 0.034999999999999996 < .035: six ties at .035 fill ranks
    // 2 to 7 and none passes, so only rank 1 is kept.
    std::vector<double> seven{0.001, 0.035, 0.035, 0.035, 0.035, 0.035, 0.035, 0.9, 0.9, 0.9};
    EXPECT_EQ(benjaminiHochberg(seven, 0.05).keptCount, 1);
}

TEST(VerdictFalseDiscovery, NothingPassesAndEmptyLists) {
    const FalseDiscoveryResult none = benjaminiHochberg(std::vector{0.2, nan, 0.06}, 0.05);
    EXPECT_EQ(none.keptCount, 0);
    EXPECT_EQ(none.kept, (std::vector<std::uint8_t>{0, 0, 0}));
    const FalseDiscoveryResult empty = benjaminiHochberg({}, 0.05);
    EXPECT_EQ(empty.keptCount, 0);
    EXPECT_TRUE(empty.kept.empty());
    // A NaN stays in m: with it the thresholds are .0167, .0333 and .05 and
    // neither .03 nor .04 passes; without it they are .025 and .05, and .04
    // passes at rank 2, which keeps both.
    EXPECT_EQ(benjaminiHochberg(std::vector{0.03, 0.04, nan}, 0.05).keptCount, 0);
    EXPECT_EQ(benjaminiHochberg(std::vector{0.03, 0.04}, 0.05).keptCount, 2);
}

}  // namespace
}  // namespace trellmark
