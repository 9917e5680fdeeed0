#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "plot/axis_ticks.hpp"

namespace trellmark {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double largest = std::numeric_limits<double>::max();

TEST(PlotAxisTicks, RoundStepsForATableOfRanges) {
    struct Case {
        AxisRange range;
        int maxTicks;
        bool wholeSteps;
        double step;
        std::vector<double> values;
        int decimals;
    };
    const std::vector<Case> cases = {
        {{0, 10}, 5, false, 2.5, {0, 2.5, 5, 7.5, 10}, 1},
        {{0, 10}, 6, false, 2, {0, 2, 4, 6, 8, 10}, 0},
        {{0, 1}, 10, false, 0.2, {0, 0.2, 0.4, 0.6, 0.8, 1}, 1},
        {{-0.35, 0.35}, 7, false, 0.1, {-0.3, -0.2, -0.1, 0, 0.1, 0.2, 0.3}, 1},
        {{-7.3, -2.1}, 6, false, 1, {-7, -6, -5, -4, -3}, 0},
        {{-8650, 8650}, 8, false, 2500, {-7500, -5000, -2500, 0, 2500, 5000, 7500}, 0},
        {{1e-9, 3e-9}, 5, false, 5e-10, {1e-9, 1.5e-9, 2e-9, 2.5e-9, 3e-9}, 10},
        {{0, 3e12}, 4, false, 1e12, {0, 1e12, 2e12, 3e12}, 0},
        {{-0.5, 39.5},
         16,
         false,
         2.5,
         {0, 2.5, 5, 7.5, 10, 12.5, 15, 17.5, 20, 22.5, 25, 27.5, 30, 32.5, 35, 37.5},
         1},
        {{-0.5, 39.5}, 16, true, 5, {0, 5, 10, 15, 20, 25, 30, 35}, 0},
        {{17639.5, 17640.5}, 10, true, 1, {17640}, 0},
        // Flat ranges are opened first: around 5 by a tenth, around 0 to -1..1.
        {{5, 5}, 5, false, 0.2, {4.6, 4.8, 5, 5.2, 5.4}, 1},
        {{0, 0}, 5, false, 0.5, {-1, -0.5, 0, 0.5, 1}, 1},
        {{1, 1 + 1e-12}, 5, false, 0.05, {0.9, 0.95, 1, 1.05, 1.1}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.range.low << " .. " << c.range.high << ", "
                                          << c.maxTicks << (c.wholeSteps ? " whole" : ""));
        const AxisTicks ticks = chooseTicks(c.range, c.maxTicks, c.wholeSteps);
        EXPECT_EQ(ticks.step, c.step);
        EXPECT_EQ(ticks.decimals, c.decimals);
        EXPECT_EQ(ticks.values, c.values);
    }
}

TEST(PlotAxisTicks, AReversedOrNonFiniteRangeStillGetsTicks) {
    const AxisTicks reversed = chooseTicks({7, 3}, 5);  // opened as 2.84 .. 7.16
    EXPECT_EQ(reversed.values, (std::vector<double>{3, 4, 5, 6, 7}));
    const AxisTicks undefined = chooseTicks({nan, 1}, 5);
    EXPECT_EQ(undefined.values, (std::vector<double>{-1, -0.5, 0, 0.5, 1}));
    const AxisTicks everything = chooseTicks(axisRange(-largest, largest), 5);
    EXPECT_EQ(everything.step, 1e308);
    EXPECT_EQ(everything.values, (std::vector<double>{-1e308, 0, 1e308}));
}

TEST(PlotAxisTicks, AxisRangesAddAMarginAndOpenFlatRanges) {
    struct Case {
        double low, high;
        AxisRange expected;
    };
    for (const Case& c : std::vector<Case>{
             {0, 10, {-0.4, 10.4}},
             {10, 0, {-0.4, 10.4}},
             {-3, -1, {-3.08, -0.92}},
             {3, 3, {2.7, 3.3}},
             {-3, -3, {-3.3, -2.7}},
             {0, 0, {-1, 1}},
             {1e6, 1e6 + 1e-5, {1e6 + 5e-6 - 1e5 - 5e-7, 1e6 + 5e-6 + 1e5 + 5e-7}},
             {nan, 1, {-1, 1}},
             {0, std::numeric_limits<double>::infinity(), {-1, 1}},
             {1, -std::numeric_limits<double>::infinity(), {-1, 1}},
         }) {
        SCOPED_TRACE(::testing::Message() << c.low << " .. " << c.high);
        const AxisRange range = axisRange(c.low, c.high);
        EXPECT_DOUBLE_EQ(range.low, c.expected.low);
        EXPECT_DOUBLE_EQ(range.high, c.expected.high);
    }
    const AxisRange widest = axisRange(-largest, largest);
    EXPECT_EQ(widest.low, -largest);
    EXPECT_EQ(widest.high, largest);
}

TEST(PlotAxisTicks, LabelsShowTheStepsDecimalsAndATrueMinus) {
    const AxisTicks quarters = chooseTicks({-0.6, 0.6}, 5);  // 0.25 each
    ASSERT_EQ(quarters.step, 0.25);
    EXPECT_EQ(tickLabel(-0.5, quarters), "\u22120.50");
    EXPECT_EQ(tickLabel(0, quarters), "0.00");
    EXPECT_EQ(tickLabel(-1e-17, quarters), "0.00");  // never a minus zero
    EXPECT_EQ(tickLabel(0.25, quarters), "0.25");

    const AxisTicks thousands = chooseTicks({-8650, 8650}, 8);
    EXPECT_EQ(tickLabel(-7500, thousands), "\u22127500");
    EXPECT_EQ(tickLabel(0, thousands), "0");

    const AxisTicks offsets = chooseTicks({17639.5, 2897639.5}, 10, true);
    EXPECT_EQ(tickLabel(2800000, offsets), "2800000");  // 7 digits stay whole

    const AxisTicks huge = chooseTicks({0, 3e12}, 4);
    EXPECT_EQ(tickLabel(2e12, huge), "2e+12");
    EXPECT_EQ(tickLabel(0, huge), "0");
    const AxisTicks tiny = chooseTicks({1e-9, 3e-9}, 5);
    EXPECT_EQ(tickLabel(1.5e-9, tiny), "1.5e-09");
}

}  // namespace
}  // namespace trellmark
