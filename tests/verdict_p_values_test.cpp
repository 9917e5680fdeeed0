#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "verdict/p_values.hpp"

namespace trellmark {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

struct PValueCase {
    double mR, mC, sR, sC;
    int nR, nC;
    double p, df;
};

// p = 2 * scipy.stats.t.sf(|t|, df) (scipy 1.10); the Welch df from the same
// doubles in exact rational arithmetic (Python's fractions).
const PValueCase pValueCases[] = {
    {11.5, 10.0, 1.0, 1.0, 5, 5, 0.04512593544680726, 8},
    {7.0, 2.0, 2.0, 2.0, 3, 4, 0.026204654114383975, 4.454545454545454},
    {0.0, 20.0, 1.0, 1.0, 5, 5, 1.0883266880168866e-09, 8},
    // A tail far below 1 - cdf's reach: only the complement keeps it.
    {100.0, 0.0, 1.5, 2.5, 100, 100, 1.1573056556935565e-276, 198},
    {3.0, 3.25, 0.5, 4.0, 10, 2, 0.9438952428431071, 1.0062586737644599},
    {-5.0, 1.0, 0.001, 30.0, 7, 12, 0.502787222219087, 11.000000041904762},
    {1e6, 1e6 + 0.5, 0.2, 0.3, 40, 41, 5.151238299399468e-13, 69.87304901602548},
    // One set without scatter: the other's df alone.
    {0.0, 1.0, 0.0, 2.0, 4, 6, 0.27521973197398397, 5.0},
    // Variance terms whose squares underflow unless scaled first.
    {2.0, -2.0, 1e-160, 3e-160, 3, 8, 0.0, 8.997901364113327},
};

TEST(VerdictPValues, AgreeWithScipyAndUnroundedWelchDegrees) {
    for (const PValueCase& c : pValueCases) {
        SCOPED_TRACE(::testing::Message() << "nR=" << c.nR << " nC=" << c.nC << " mR=" << c.mR);
        const IndexPValues result = exactPValues(std::vector{c.mR}, std::vector{c.sR},
                                                 std::vector{c.mC}, std::vector{c.sC}, c.nR, c.nC);
        ASSERT_EQ(result.p.size(), 1U);
        EXPECT_NEAR(result.p[0], c.p, 1e-12 * c.p);
        EXPECT_NEAR(result.degreesOfFreedom[0], c.df, 1e-13 * c.df);
    }
}

TEST(VerdictPValues, NoScatterGivesZeroOrOneAndNoDegrees) {
    // Index 0: means differ; 1: means equal; for unequal and for equal sizes.
    const std::vector<double> mR{3, 2};
    const std::vector<double> mC{1, 2};
    const std::vector<double> zero{0, 0};
    const IndexPValues unequal = exactPValues(mR, zero, mC, zero, 3, 5);
    EXPECT_EQ(unequal.p, (std::vector<double>{0, 1}));
    EXPECT_TRUE(std::isnan(unequal.degreesOfFreedom[0]));
    EXPECT_TRUE(std::isnan(unequal.degreesOfFreedom[1]));
    const IndexPValues equal = exactPValues(mR, zero, mC, zero, 4, 4);
    EXPECT_EQ(equal.p, (std::vector<double>{0, 1}));
    EXPECT_EQ(equal.degreesOfFreedom, (std::vector<double>{6, 6}));
}

TEST(VerdictPValues, FewerThanTwoTakesTestNothing) {
    const std::vector<double> one{1, 2};
    for (const auto& [nR, nC] : {std::pair{1, 5}, std::pair{5, 1}, std::pair{0, 0}}) {
        const IndexPValues result = exactPValues(one, one, one, one, nR, nC);
        ASSERT_EQ(result.p.size(), 2U);
        for (std::size_t j = 0; j < 2; ++j) {
            EXPECT_TRUE(std::isnan(result.p[j]));
            EXPECT_TRUE(std::isnan(result.degreesOfFreedom[j]));
        }
    }
}

TEST(VerdictPValues, TwoSidedPValueEdges) {
    EXPECT_EQ(twoSidedPValue(nan, 5), 1);
    EXPECT_EQ(twoSidedPValue(inf, 5), 0);
    EXPECT_EQ(twoSidedPValue(-inf, 5), 0);
    EXPECT_EQ(twoSidedPValue(0, 5), 1);  // 2 * 0.5, never above 1
    EXPECT_EQ(twoSidedPValue(-2.3717082451262845, 8), twoSidedPValue(2.3717082451262845, 8));
    EXPECT_TRUE(std::isnan(twoSidedPValue(1, nan)));
    EXPECT_TRUE(std::isnan(twoSidedPValue(1, 0)));
}

}  // namespace
}  // namespace trellmark
