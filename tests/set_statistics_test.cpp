#include "stats/set_statistics.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "stats/window_accumulator.hpp"

namespace trellmark {
namespace {

TEST(FindImpulse, FirstValueStrictlyAboveTheThreshold) {
    const std::vector<std::int32_t> values{5, -300, 10, 11, 400};
    EXPECT_EQ(findImpulse(values, 10), 3);  // 10 equals the threshold and is passed over
    EXPECT_EQ(findImpulse(values, 4), 0);
    EXPECT_EQ(findImpulse(values, 400), 5);  // none: one past the end
    EXPECT_EQ(findImpulse({}, 0), 0);
    // Negative excursions never count for a non-negative threshold.
    EXPECT_EQ(findImpulse(std::vector<std::int32_t>{-32768, -8388608, 0, 1}, 0), 3);
    EXPECT_EQ(findImpulse(std::vector<std::int32_t>{-9, -5, -3}, -5), 2);
}

TEST(MeasureLevel, RootMeanSquareOverTheWholeWindow) {
    std::vector<std::int32_t> window(4410, 3);
    EXPECT_EQ(measureLevel(window), 3.0);
    for (std::size_t k = 1; k < window.size(); k += 2) window[k] = -4;
    EXPECT_EQ(measureLevel(window), 3.5355339059327378);  // sqrt(12.5)
    // Full-scale 24-bit values: the squares are summed in doubles, in order.
    EXPECT_EQ(measureLevel(std::vector<std::int32_t>(4410, 8388607)), 8388606.999999942);
    EXPECT_EQ(measureLevel(std::vector<std::int32_t>(4410, 0)), 0.0);
    // The divisor is the window length even when fewer values are given.
    EXPECT_EQ(measureLevel(std::vector<std::int32_t>(1, 2100)), std::sqrt(1000.0));
}

TEST(ReferenceLevel, FirstReferenceFileOrSilence) {
    SetStatistics reference;
    EXPECT_EQ(referenceLevelOf(reference), 0.0);
    reference.levels = {250.5, 100.0};
    EXPECT_EQ(referenceLevelOf(reference), 250.5);
}

TEST(ScaleToReference, NearestIntegerOfReferenceTimesValueOverLevel) {
    EXPECT_EQ(scaleToReference(3, 1000.0, 500.0), 6);
    EXPECT_EQ(scaleToReference(3, 1.0, 2.0), 2);    // 1.5
    EXPECT_EQ(scaleToReference(5, 1.0, 2.0), 2);    // 2.5, ties to even
    EXPECT_EQ(scaleToReference(-3, 1.0, 2.0), -2);  // -1.5
    EXPECT_EQ(scaleToReference(7, 1.0, 2.0), 4);    // 3.5
    // (0.1 x -15) / 0.6 is -2.5 exactly in doubles; (0.1 / 0.6) x -15 is not.
    EXPECT_EQ(scaleToReference(-15, 0.1, 0.6), -2);
    EXPECT_EQ(scaleToReference(15, 0.1, 0.6), 2);
    // The level of the value's own file: no change at all.
    EXPECT_EQ(scaleToReference(-8388608, 3456.789, 3456.789), -8388608);
}

TEST(ScaleToReference, SilenceAndLoudScalingStayDefined) {
    EXPECT_EQ(scaleToReference(100, 1000.0, 0.0), 0);  // infinite
    EXPECT_EQ(scaleToReference(0, 1000.0, 0.0), 0);    // 0 / 0
    EXPECT_EQ(scaleToReference(100, 0.0, 250.0), 0);
    // Beyond 32 bits without wrapping: 8388607^2 x 2.
    EXPECT_EQ(scaleToReference(8388607, 8388607.0, 0.5), 140737454800898);
    EXPECT_EQ(scaleToReference(-8388608, 1e20, 1.0), -4611686018427387904);
    EXPECT_EQ(scaleToReference(-8388608, 1e300, 1e-300), 0);  // overflows to infinity
}

TEST(SquareRoot, NegativeArgumentsComeBackUnchanged) {
    EXPECT_EQ(sqrtKeepingNegative(6.25), 2.5);
    EXPECT_EQ(sqrtKeepingNegative(-2.5), -2.5);
    EXPECT_EQ(sqrtKeepingNegative(-1e-30), -1e-30);
    EXPECT_EQ(sqrtKeepingNegative(0.0), 0.0);
}

SetStatistics accumulate(std::int16_t files, std::int32_t length,
                         const std::vector<std::vector<std::int32_t>>& windows,
                         const std::vector<double>& levels, double referenceLevel) {
    WindowAccumulator accumulator = startAccumulation(files, length);
    for (std::size_t i = 0; i < windows.size(); ++i) {
        addWindow(accumulator, windows[i], levels[i], referenceLevel);
    }
    SetStatistics statistics;
    finishAccumulation(accumulator, statistics);
    return statistics;
}

TEST(Accumulation, TwoFilesGiveHalfTheirDifferenceOverRootTwo) {
    const SetStatistics s =
        accumulate(2, 4, {{0, 10, -7, 3}, {4, 10, 1, -2}}, {100.0, 100.0}, 100.0);
    EXPECT_EQ(s.mean, (std::vector<double>{2, 10, -3, 0.5}));
    ASSERT_EQ(s.stdDev.size(), 4u);
    // |a - b| / sqrt 2, computed independently.
    EXPECT_DOUBLE_EQ(s.stdDev[0], 2.82842712474619);
    EXPECT_EQ(s.stdDev[1], 0.0);
    EXPECT_DOUBLE_EQ(s.stdDev[2], 5.65685424949238);
    EXPECT_DOUBLE_EQ(s.stdDev[3], 3.5355339059327373);
    EXPECT_EQ(s.largestStdDev, s.stdDev[2]);
    EXPECT_DOUBLE_EQ(s.stdDevSum, 12.020815280171307);
}

TEST(Accumulation, FilesAreScaledToTheReferenceButShiftedByTheFirstUnscaled) {
    // Reference level 100: the first file (level 50) doubles, the second stays.
    // Scaled windows {20, 40} and {30, 40}.
    const SetStatistics s = accumulate(2, 2, {{10, 20}, {30, 40}}, {50.0, 100.0}, 100.0);
    EXPECT_EQ(s.mean, (std::vector<double>{25, 40}));
    EXPECT_DOUBLE_EQ(s.stdDev[0], 7.0710678118654755);  // 10 / sqrt 2
    EXPECT_EQ(s.stdDev[1], 0.0);
}

TEST(Accumulation, FiveFilesAgainstAnIndependentComputation) {
    // Python: statistics.mean / statistics.stdev of the scaled columns.
    // Levels 1000, 500, 2000, 1000, 800; reference 1000; scaled files:
    // {100, -3, 7}, {50, -4, 6}, {100, -8, 8}, {120, 1, 0}, {125, 9, 12}.
    const SetStatistics s =
        accumulate(5, 3, {{100, -3, 7}, {25, -2, 3}, {200, -15, 15}, {120, 1, 0}, {100, 7, 10}},
                   {1000.0, 500.0, 2000.0, 1000.0, 800.0}, 1000.0);
    EXPECT_DOUBLE_EQ(s.mean[0], 99.0);
    EXPECT_DOUBLE_EQ(s.mean[1], -1.0);
    EXPECT_DOUBLE_EQ(s.mean[2], 6.6);
    EXPECT_DOUBLE_EQ(s.stdDev[0], 29.664793948382652);
    EXPECT_DOUBLE_EQ(s.stdDev[1], 6.442049363362563);
    EXPECT_DOUBLE_EQ(s.stdDev[2], 4.33589667773576);
    EXPECT_DOUBLE_EQ(s.largestStdDev, 29.664793948382652);
    EXPECT_DOUBLE_EQ(s.stdDevSum, 40.44273998948098);
}

TEST(Accumulation, IdenticalFilesGiveZeroWithinRounding) {
    const std::vector<std::int32_t> window{3, -7, 1, 0, 32767};
    const SetStatistics s =
        accumulate(5, 5, {window, window, window, window, window}, {9, 9, 9, 9, 9}, 9.0);
    for (std::size_t j = 0; j < window.size(); ++j) {
        EXPECT_FALSE(std::isnan(s.stdDev[j])) << j;
        EXPECT_NEAR(s.stdDev[j], 0.0, 1e-6) << j;
        EXPECT_NEAR(s.mean[j], window[j], 1e-9) << j;
    }
}

TEST(Accumulation, EmptySetGivesZerosAndOneFileGivesNotANumber) {
    const SetStatistics empty = accumulate(0, 3, {}, {}, 0.0);
    EXPECT_EQ(empty.mean, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(empty.stdDev, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(empty.largestStdDev, 0.0);
    EXPECT_EQ(empty.stdDevSum, 0.0);

    const SetStatistics one = accumulate(1, 2, {{4, -6}}, {10.0}, 10.0);
    EXPECT_EQ(one.mean, (std::vector<double>{4, -6}));
    EXPECT_TRUE(std::isnan(one.stdDev[0]));
    EXPECT_TRUE(std::isnan(one.stdDev[1]));
    EXPECT_EQ(one.largestStdDev, 0.0);  // NaN never replaces it
    EXPECT_TRUE(std::isnan(one.stdDevSum));
}

TEST(Accumulation, SilentFilesEnterAsZeros) {
    // Level 0: every scaled value is 0, though the window itself is not.
    const SetStatistics s = accumulate(2, 2, {{6, 8}, {6, 8}}, {2.0, 0.0}, 2.0);
    EXPECT_EQ(s.mean, (std::vector<double>{3, 4}));
    EXPECT_DOUBLE_EQ(s.stdDev[0], 4.242640687119285);  // 6 / sqrt 2
    EXPECT_DOUBLE_EQ(s.stdDev[1], 5.65685424949238);   // 8 / sqrt 2
}

TEST(Accumulation, LengthZeroOrBelowHasEmptyArrays) {
    EXPECT_TRUE(accumulate(2, 0, {{}, {}}, {1, 1}, 1).mean.empty());
    const SetStatistics negative = accumulate(2, -5, {{}, {}}, {1, 1}, 1);
    EXPECT_TRUE(negative.stdDev.empty());
    EXPECT_EQ(negative.stdDevSum, 0.0);
}

}  // namespace
}  // namespace trellmark
