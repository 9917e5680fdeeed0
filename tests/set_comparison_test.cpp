#include "analysis/set_comparison.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "analysis/index_test.hpp"

namespace trellmark {
namespace {

SetStatistics statistics(std::int16_t files, std::vector<double> mean, std::vector<double> stdDev) {
    SetStatistics s;
    s.fileCount = files;
    s.mean = std::move(mean);
    s.stdDev = std::move(stdDev);
    return s;
}

class Comparison : public ::testing::Test {
  protected:
    CriticalValueTable tables = buildCriticalValueTables();
};

TEST_F(Comparison, FiveFilesEachWithDifferenceOneAndAHalf) {
    // e = sqrt(0.4), t = 2.3717: beyond 2.306 (95, 8 degrees) but not 3.355 (99).
    const SetStatistics r = statistics(5, {11.5, 0}, {1, 1});
    const SetStatistics c = statistics(5, {10.0, 0}, {1, 1});
    const ComparisonResult at95 = compareMeans(r, c, 2, TestLevel::percent95, tables);
    EXPECT_EQ(at95.significantCount, 1);
    EXPECT_EQ(at95.differenceSignal, (std::vector<double>{1.5, 0}));
    EXPECT_EQ(at95.largestDifference, 1.5);
    EXPECT_EQ(at95.accumulatedDifference, 1.5);
    const ComparisonResult at99 = compareMeans(r, c, 2, TestLevel::percent99, tables);
    EXPECT_EQ(at99.significantCount, 0);
    EXPECT_EQ(at99.differenceSignal, (std::vector<double>{0, 0}));
}

TEST_F(Comparison, ThreeAndFourFilesUseFourDegreesOfFreedom) {
    // a = 4/3, b = 1, t = 5 / sqrt(7/3) = 3.273, f' = 49/11: 2.776 < t < 4.604.
    const SetStatistics r = statistics(3, {7}, {2});
    const SetStatistics c = statistics(4, {2}, {2});
    EXPECT_EQ(compareMeans(r, c, 1, TestLevel::percent95, tables).significantCount, 1);
    EXPECT_EQ(compareMeans(r, c, 1, TestLevel::percent99, tables).significantCount, 0);
    // Swapping the sets swaps the sign of the difference only.
    const ComparisonResult swapped = compareMeans(c, r, 1, TestLevel::percent95, tables);
    EXPECT_EQ(swapped.differenceSignal, (std::vector<double>{-5}));
    EXPECT_EQ(swapped.largestDifference, 5);
}

TEST_F(Comparison, TEqualToTheCriticalValueIsNotSignificant) {
    // Deviations 1 and 2 over 5 files give a standard error of exactly 1, so t is
    // the difference itself.
    const double limit = 2.306;
    const double above = std::nextafter(limit, 3.0);
    const SetStatistics r = statistics(5, {limit, 0, above, 0}, {1, 1, 1, 1});
    const SetStatistics c = statistics(5, {0, limit, 0, above}, {2, 2, 2, 2});
    const ComparisonResult result = compareMeans(r, c, 4, TestLevel::percent95, tables);
    EXPECT_EQ(result.differenceSignal, (std::vector<double>{0, 0, above, -above}));
    EXPECT_EQ(result.significantCount, 2);
}

TEST_F(Comparison, SameStatisticsForBothSetsGiveNothing) {
    const SetStatistics s = statistics(4, {3, -2, 0, 7}, {1, 0, 0, 2});
    const ComparisonResult result = compareMeans(s, s, 4, TestLevel::percent95, tables);
    EXPECT_EQ(result.significantCount, 0);
    EXPECT_EQ(result.largestDifference, 0);
    EXPECT_EQ(result.accumulatedDifference, 0);
    EXPECT_EQ(result.differenceSignal, (std::vector<double>(4, 0.0)));
}

TEST_F(Comparison, DifferencesKeepTheirSignAndSumAsMagnitudes) {
    // No scatter: every index whose means differ is significant.
    const SetStatistics r = statistics(3, {1.0, 4.0, 0.0, 2.0, 5.0}, {0, 0, 0, 0, 0});
    const SetStatistics c = statistics(3, {0.5, 6.0, 0.0, 0.75, 5.0}, {0, 0, 0, 0, 0});
    const ComparisonResult result = compareMeans(r, c, 5, TestLevel::percent99, tables);
    EXPECT_EQ(result.differenceSignal, (std::vector<double>{0.5, -2.0, 0, 1.25, 0}));
    EXPECT_EQ(result.significantCount, 3);
    EXPECT_EQ(result.largestDifference, 2.0);
    EXPECT_EQ(result.accumulatedDifference, 3.75);
}

TEST_F(Comparison, UnequalSizesWithoutScatterTestWhetherTheMeansDiffer) {
    const SetStatistics r = statistics(2, {1.0, 3.0, -4.0}, {0, 0, 0});
    const SetStatistics c = statistics(3, {1.0, 2.0, 4.0}, {0, 0, 0});
    const ComparisonResult result = compareMeans(r, c, 3, TestLevel::percent95, tables);
    EXPECT_EQ(result.differenceSignal, (std::vector<double>{0, 1.0, -8.0}));
    EXPECT_EQ(result.largestDifference, 8.0);
    EXPECT_EQ(result.accumulatedDifference, 9.0);
}

TEST_F(Comparison, OtherConfidenceLevelsTestNothing) {
    const SetStatistics r = statistics(5, {100, 50}, {1, 1});
    const SetStatistics c = statistics(5, {0, 0}, {1, 1});
    for (const std::int16_t level : {97, 0, 90, -95}) {
        const ComparisonResult result =
            compareMeans(r, c, 2, ConfidenceLevel(level).test(), tables);
        EXPECT_EQ(result.significantCount, 0) << level;
        EXPECT_EQ(result.differenceSignal, (std::vector<double>{0, 0})) << level;
        EXPECT_EQ(result.largestDifference, 0) << level;
    }
}

TEST_F(Comparison, SetsOfFewerThanTwoFilesHaveNothingSignificant) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const SetStatistics one = statistics(1, {100}, {nan});
    const SetStatistics empty = statistics(0, {0}, {-0.0});
    const SetStatistics five = statistics(5, {0}, {1});
    EXPECT_EQ(compareMeans(one, one, 1, TestLevel::percent95, tables).significantCount, 0);
    EXPECT_EQ(compareMeans(one, five, 1, TestLevel::percent95, tables).significantCount, 0);
    EXPECT_EQ(compareMeans(five, one, 1, TestLevel::percent95, tables).significantCount, 0);
    EXPECT_EQ(compareMeans(empty, five, 1, TestLevel::percent95, tables).significantCount, 0);
    EXPECT_EQ(compareMeans(empty, empty, 1, TestLevel::percent95, tables).significantCount, 0);
}

TEST_F(Comparison, WindowLengthZeroOrBelowGivesAnEmptySignal) {
    const SetStatistics s = statistics(3, {}, {});
    EXPECT_TRUE(compareMeans(s, s, 0, TestLevel::percent95, tables).differenceSignal.empty());
    EXPECT_TRUE(compareMeans(s, s, -7, TestLevel::percent95, tables).differenceSignal.empty());
}

TEST_F(Comparison, TAndDegreesOfFreedomOnlyWhereATestIsMade) {
    const SetStatistics r = statistics(3, {1.0, 2.0, 2.0}, {0, 0, 1});
    const SetStatistics c = statistics(2, {0.5, 2.0, 1.0}, {0, 0, 1});
    const ComparisonResult result = compareMeans(r, c, 3, TestLevel::percent95, tables);
    // No scatter at all: t is infinite where the means differ and not a
    // number where they agree; neither has degrees of freedom.
    EXPECT_EQ(result.t[0], std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(result.t[1]));
    EXPECT_TRUE(std::isnan(result.degreesOfFreedom[0]));
    // a = 1/3, b = 1/2: t = 1 / sqrt(5/6), f' = (5/6)^2 / (1/18 + 1/4) = 25/11.
    EXPECT_DOUBLE_EQ(result.t[2], 1.0954451150103321);
    EXPECT_DOUBLE_EQ(result.degreesOfFreedom[2], 25.0 / 11);
    for (const std::int16_t level : {std::int16_t{97}, std::int16_t{0}}) {
        EXPECT_TRUE(compareMeans(r, c, 3, ConfidenceLevel(level).test(), tables).t.empty());
        EXPECT_TRUE(
            compareMeans(r, c, 3, ConfidenceLevel(level).test(), tables).degreesOfFreedom.empty());
    }
    EXPECT_TRUE(
        compareMeans(statistics(1, {1}, {0}), c, 1, TestLevel::percent95, tables).t.empty());
}

TEST_F(Comparison, BoundsAreTheStandardErrorAndTheTableEntryTested) {
    // 5 + 5: e = sqrt((1 + 4) / 5) = 1 against 2.306; 3 + 4: e = sqrt(4/3 + 1),
    // f' = 49/11 taken down to 4: 2.776 (4.604 at 99).
    const IndexTestBounds equal =
        indexTestBounds(makeIndexTestSetup(5, 5, TestLevel::percent95, tables), 1, 2);
    EXPECT_EQ(equal.standardError, 1);
    EXPECT_EQ(equal.critical, 2.306);
    const IndexTestBounds welch =
        indexTestBounds(makeIndexTestSetup(3, 4, TestLevel::percent99, tables), 2, 2);
    EXPECT_DOUBLE_EQ(welch.standardError, std::sqrt(7.0 / 3));
    EXPECT_EQ(welch.critical, 4.604);
    const IndexTestBounds still =
        indexTestBounds(makeIndexTestSetup(3, 4, TestLevel::percent95, tables), 0, 0);
    EXPECT_EQ(still.standardError, 0);
    EXPECT_TRUE(std::isnan(still.critical));
}

// Rows computed independently from raw file values with Python's statistics
// module and scipy.stats.ttest_ind; the decisions compare |t| with the table
// entry for the Welch value taken down to a whole number. The t values lie
// within 3 per cent of their critical values, on both sides.
struct IndependentRow {
    double mR, mC, sR, sC, t;
    int degrees;
    bool significant;
};

void checkAgainstRows(const CriticalValueTable& tables, std::int16_t nR, std::int16_t nC,
                      std::int16_t level, const std::vector<IndependentRow>& rows) {
    SetStatistics r = statistics(nR, {}, {});
    SetStatistics c = statistics(nC, {}, {});
    int expectedCount = 0;
    for (const IndependentRow& row : rows) {
        r.mean.push_back(row.mR);
        r.stdDev.push_back(row.sR);
        c.mean.push_back(row.mC);
        c.stdDev.push_back(row.sC);
        if (nR != nC) {
            EXPECT_EQ(degreesOfFreedom(nR, nC, row.sR * row.sR / nR, row.sC * row.sC / nC),
                      row.degrees);
        }
        expectedCount += row.significant;
    }
    const auto length = static_cast<std::int32_t>(rows.size());
    const ComparisonResult result =
        compareMeans(r, c, length, ConfidenceLevel(level).test(), tables);
    for (std::size_t j = 0; j < rows.size(); ++j) {
        const IndependentRow& row = rows[j];
        EXPECT_EQ(result.differenceSignal[j], row.significant ? row.mR - row.mC : 0.0)
            << "index " << j << ", t " << row.t;
        EXPECT_NEAR(result.t[j], row.t, 1e-12 * std::fabs(row.t)) << "index " << j;
        const double df = result.degreesOfFreedom[j];
        if (nR == nC) {
            EXPECT_EQ(df, nR + nC - 2);
        } else {
            EXPECT_EQ(std::floor(df), row.degrees) << "index " << j << ", df " << df;
        }
    }
    EXPECT_EQ(result.significantCount, expectedCount);
}

TEST_F(Comparison, WelchDecisionsMatchAnIndependentComputation) {
    checkAgainstRows(tables, 3, 6, 95,
                     {
                         {105.66666666666667, -215.33333333333334, 157.46851537159208,
                          175.47725398656848, 2.773277509334669, 4, false},
                         {94.66666666666667, -375.0, 179.76744236188412, 93.86799241488016,
                          4.245096790423663, 2, false},
                         {-67.33333333333333, 332.5, 196.40858772806584, 233.62170275896887,
                          -2.698418866626089, 4, false},
                         {11.666666666666666, 235.33333333333334, 89.55631375471711,
                          29.459576824297166, -4.213314923826817, 2, false},
                         {179.33333333333334, -63.666666666666664, 86.3153134347164,
                          203.41550252295588, 2.5090569178464444, 6, true},
                         {57.666666666666664, -269.3333333333333, 131.1538536732083,
                          2.875181153713043, 4.3179255680706135, 2, true},
                         {110.66666666666667, -174.66666666666666, 111.64377874889999,
                          2.6583202716502514, 4.4260576126676545, 2, true},
                         {23.333333333333332, -209.16666666666666, 64.51614784945963,
                          206.77757776574003, 2.5198007144559478, 6, true},
                         {66.33333333333333, -239.83333333333334, 120.26775683171834,
                          28.9787278303701, 4.346658709236007, 2, true},
                         {82.33333333333333, -232.16666666666666, 124.5163978491722,
                          13.029453813060112, 4.362838436216676, 2, true},
                     });
    checkAgainstRows(
        tables, 8, 20, 99,
        {
            {-83.75, -295.95, 176.5800101936796, 3.1867323637065503, 3.398760388443917, 7, false},
            {-55.125, 109.45, 128.2079087152694, 31.66348552812014, -3.5872344086204273, 7, true},
            {36.5, -185.9, 178.58251394163509, 2.6137289353275373, 3.52226671441625, 7, true},
            {8.5, 176.1, 133.82504570200174, 85.08750913339934, -3.286503810092227, 9, true},
            {-24.25, 168.2, 158.59359561920706, 11.237156411233507, -3.4287958734816515, 7, false},
            {28.875, 160.65, 103.45936055144689, 34.836875501928155, -3.5235212910452627, 7, true},
            {-68.5, -282.3, 172.91616465790582, 74.0590802563808, 3.3755259724684583, 8, true},
            {-10.0, 205.2, 162.03350623515232, 183.36090382802868, -3.0547361796858086, 14, true},
            {-22.375, 194.05, 171.9102236633994, 11.311265925708991, -3.557746500790182, 7, true},
            {-28.75, 228.25, 201.43751246620235, 39.812554222056775, -3.580725926243446, 7, true},
        });
}

TEST_F(Comparison, PooledDecisionsMatchAnIndependentComputation) {
    checkAgainstRows(
        tables, 6, 6, 95,
        {
            {-131.0, -2.1666666666666665, 134.57042765778817, 32.652207684422606,
             -2.2789354815643725, 10, true},
            {17.0, -146.0, 179.39230752738536, 11.489125293076057, 2.2211125051529117, 10, false},
            {-151.0, -313.0, 75.24892025803426, 157.6197957110718, 2.2719311155111126, 10, true},
            {46.666666666666664, 218.66666666666666, 186.0114691804424, 13.170674495509585,
             -2.2593234626978282, 10, true},
            {93.33333333333333, -50.333333333333336, 156.19176248018545, 20.558858593479034,
             2.2337963867951967, 10, true},
            {-60.666666666666664, 114.66666666666667, 160.67814620123877, 100.75250203675672,
             -2.2645335014876102, 10, true},
            {7.333333333333333, 225.83333333333334, 143.43453791422297, 197.38532535795733,
             -2.193526847970034, 10, false},
            {59.5, 187.5, 142.7876045040325, 3.507135583350036, -2.1951496084495856, 10, false},
            {-59.0, 98.0, 168.01904653937302, 14.656056768449009, -2.2801886615250564, 10, true},
            {166.66666666666666, 29.0, 81.93086516488562, 123.92417036236313, 2.269888723897766, 10,
             true},
        });
}

}  // namespace
}  // namespace trellmark
