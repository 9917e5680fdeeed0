#include "analysis/critical_values.hpp"

#include <gtest/gtest.h>

namespace trellmark {
namespace {

class CriticalValues : public ::testing::Test {
  protected:
    CriticalValueTable tables = buildCriticalValueTables();
};

TEST_F(CriticalValues, AnchorEntriesHoldTheAnchorsExactly) {
    EXPECT_EQ(tables.percent95[1], 12.706);
    EXPECT_EQ(tables.percent99[1], 63.657);
    EXPECT_EQ(tables.percent95[8], 2.306);
    EXPECT_EQ(tables.percent99[8], 3.355);
    EXPECT_EQ(tables.percent95[29], 2.045);
    EXPECT_EQ(tables.percent99[29], 2.756);
    EXPECT_EQ(tables.percent95[30], 2.042);
    EXPECT_EQ(tables.percent99[30], 2.750);
    EXPECT_EQ(tables.percent95[40], 2.021);
    EXPECT_EQ(tables.percent99[40], 2.704);
    EXPECT_EQ(tables.percent95[60], 2.000);
    EXPECT_EQ(tables.percent99[60], 2.660);
    EXPECT_EQ(tables.percent95[120], 1.980);
    EXPECT_EQ(tables.percent99[120], 2.617);
    EXPECT_EQ(tables.percent95[121], 1.960);
    EXPECT_EQ(tables.percent99[121], 2.576);
}

TEST_F(CriticalValues, InterpolatedEntriesLieOnTheLineBetweenAnchors) {
    // Halfway points of the three segments and the first tenth of the first.
    EXPECT_NEAR(tables.percent95[35], 2.0315, 1e-12);
    EXPECT_NEAR(tables.percent99[35], 2.727, 1e-12);
    EXPECT_NEAR(tables.percent95[50], 2.0105, 1e-12);
    EXPECT_NEAR(tables.percent99[50], 2.682, 1e-12);
    EXPECT_NEAR(tables.percent95[90], 1.990, 1e-12);
    EXPECT_NEAR(tables.percent99[90], 2.6385, 1e-12);
    EXPECT_NEAR(tables.percent95[31], 2.0399, 1e-12);
    EXPECT_NEAR(tables.percent99[31], 2.7454, 1e-12);
    EXPECT_NEAR(tables.percent95[119], 1.98033333333333333, 1e-12);
    EXPECT_NEAR(tables.percent99[41], 2.7018, 1e-12);
}

TEST_F(CriticalValues, BothTablesDecreaseStrictly) {
    for (int entry = 2; entry <= criticalValueEntries; ++entry) {
        EXPECT_LT(tables.percent95[entry], tables.percent95[entry - 1]) << entry;
        EXPECT_LT(tables.percent99[entry], tables.percent99[entry - 1]) << entry;
        EXPECT_LT(tables.percent95[entry], tables.percent99[entry]) << entry;
    }
}

TEST_F(CriticalValues, LookupChoosesTheTableOfTheConfidenceLevel) {
    EXPECT_EQ(criticalValue(tables, TestLevel::percent95, 4), 2.776);
    EXPECT_EQ(criticalValue(tables, TestLevel::percent99, 4), 4.604);
    EXPECT_EQ(criticalValue(tables, TestLevel::percent95, 121), 1.960);
    EXPECT_EQ(criticalValue(tables, TestLevel::percent99, 121), 2.576);
}

TEST(DegreesOfFreedom, EqualSizesGiveTwiceTheFilesLessOneCapped) {
    EXPECT_EQ(degreesOfFreedom(2, 2, 0, 0), 2);
    EXPECT_EQ(degreesOfFreedom(5, 5, 3, 7), 8);  // the variance terms play no part
    EXPECT_EQ(degreesOfFreedom(61, 61, 0, 0), 120);
    EXPECT_EQ(degreesOfFreedom(62, 62, 0, 0), 121);
    EXPECT_EQ(degreesOfFreedom(1000, 1000, 0, 0), 121);
    // Below the table; the comparison tests nothing then.
    EXPECT_EQ(degreesOfFreedom(1, 1, 0, 0), 0);
    EXPECT_EQ(degreesOfFreedom(0, 0, 0, 0), -2);
}

TEST(DegreesOfFreedom, UnequalSizesTakeTheWelchValueDownToAWholeNumber) {
    // 3 and 4 files, both deviations 2: f' = 49 / 11 = 4.4545...
    EXPECT_EQ(degreesOfFreedom(3, 4, 4.0 / 3.0, 1.0), 4);
    // One term 0: f' is that set's files less one, exactly.
    EXPECT_EQ(degreesOfFreedom(9, 3, 1.0, 0.0), 8);
    EXPECT_EQ(degreesOfFreedom(3, 9, 0.0, 2.5), 8);
    // f' = 4 / (1/3 + 1/5) = 7.5
    EXPECT_EQ(degreesOfFreedom(4, 6, 1.0, 1.0), 7);
    // f' = 11^2 / (11^2 / 121) = 121 exactly: the limit entry.
    EXPECT_EQ(degreesOfFreedom(122, 5, 11.0, 0.0), 121);
    EXPECT_EQ(degreesOfFreedom(200, 3, 1.0, 0.0), 121);
}

TEST(DegreesOfFreedom, WelchValueJustBelow121UsesEntry120) {
    // In doubles, 46.014^2 / (46.014^2 / 121) comes out as 120.99999999999999
    // (checked independently); the whole number 121 lies above it.
    EXPECT_EQ(degreesOfFreedom(122, 5, 46.014, 0.0), 120);
    EXPECT_EQ(degreesOfFreedom(5, 122, 0.0, 46.014), 120);
}

TEST(DegreesOfFreedom, UnusableWelchValuesNeverLeaveTheRange) {
    EXPECT_EQ(degreesOfFreedom(1, 3, 0.0, 0.0), 0);  // 0 / 0
    EXPECT_EQ(degreesOfFreedom(2, 3, 0.0, 0.0), 0);  // 0 / 0
    EXPECT_EQ(degreesOfFreedom(1, 3, 1.0, 1.0), 0);  // one file: 4 / infinity
    // Terms whose squares would overflow or vanish: f' = 4 / 1.5 either way.
    EXPECT_EQ(degreesOfFreedom(2, 3, 1e200, 1e200), 2);
    EXPECT_EQ(degreesOfFreedom(2, 3, 1e-200, 1e-200), 2);
    EXPECT_EQ(degreesOfFreedom(2, 3, 1e300, 1.0), 1);
}

}  // namespace
}  // namespace trellmark

namespace trellmark {
namespace {

// The number stays as typed for the report; only 95 and 99 select a test.
TEST(ConfidenceLevel, OnlyNinetyFiveAndNinetyNineSelectATest) {
    const struct {
        std::int16_t typed;
        TestLevel test;
        int percent;
        double alpha;
    } cases[] = {{95, TestLevel::percent95, 95, 0.05}, {99, TestLevel::percent99, 99, 0.01},
                 {97, TestLevel::none, 0, 0.0},        {0, TestLevel::none, 0, 0.0},
                 {-32673, TestLevel::none, 0, 0.0},    {94, TestLevel::none, 0, 0.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const ConfidenceLevel level(c.typed);
        EXPECT_EQ(level.typed, c.typed);
        EXPECT_EQ(level.test(), c.test);
        EXPECT_EQ(percentOf(level.test()), c.percent);
        EXPECT_EQ(alphaOf(level.test()), c.alpha);
    }
}

}  // namespace
}  // namespace trellmark
