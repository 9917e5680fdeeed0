#include "report/number_text.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace trellmark {
namespace {

constexpr long double infinity = std::numeric_limits<long double>::infinity();
constexpr long double notANumber = std::numeric_limits<long double>::quiet_NaN();

TEST(NumberText, ExampleTable) {
    EXPECT_EQ(numberText(0, 15), " 0 ");
    EXPECT_EQ(numberText(16, 7), " 16 ");
    EXPECT_EQ(numberText(-3, 15), "-3 ");
    EXPECT_EQ(numberText(0.5, 15), " .5 ");
    EXPECT_EQ(numberText(-0.25, 15), "-.25 ");
    EXPECT_EQ(numberText(12.5, 15), " 12.5 ");
    EXPECT_EQ(numberText(0.00125, 15), " .00125 ");
    EXPECT_EQ(numberText(999999999999999.0L, 15), " 999999999999999 ");
    EXPECT_EQ(numberText(1.5e15L, 15), " 1.5E+15 ");
    EXPECT_EQ(numberText(1e15L, 15), " 1E+15 ");
    EXPECT_EQ(numberText(1e-15L, 15), " .000000000000001 ");
    EXPECT_EQ(numberText(2.5e-16L, 15), " 2.5E-16 ");
    EXPECT_EQ(numberText(1.5e7L, 7), " 1.5E+7 ");
}

TEST(NumberText, ZerosAndNotANumberPrintAsZeroWithoutMinus) {
    EXPECT_EQ(numberText(-0.0L, 15), " 0 ");
    EXPECT_EQ(numberText(notANumber, 15), " 0 ");
    EXPECT_EQ(numberText(-notANumber, 15), " 0 ");
    volatile long double zero = 0;
    EXPECT_EQ(numberText(zero / zero, 7), " 0 ");
}

TEST(NumberText, InfinityIsNdNinesWithExponent998) {
    EXPECT_EQ(numberText(infinity, 15), " 9.99999999999999E+998 ");
    EXPECT_EQ(numberText(-infinity, 15), "-9.99999999999999E+998 ");
    EXPECT_EQ(numberText(infinity, 7), " 9.999999E+998 ");
}

TEST(NumberText, WholeNumbersSwitchToScientificPastNdDigits) {
    EXPECT_EQ(numberText(123456789012345.0L, 15), " 123456789012345 ");
    // The sixteenth digit 6 rounds the fifteenth up.
    EXPECT_EQ(numberText(1234567890123456.0L, 15), " 1.23456789012346E+15 ");
    EXPECT_EQ(numberText(-1000000000000000.0L, 15), "-1E+15 ");
    EXPECT_EQ(numberText(1234567, 7), " 1234567 ");
    EXPECT_EQ(numberText(12345678, 7), " 1.234568E+7 ");
    EXPECT_EQ(numberText(32767, 7), " 32767 ");
    EXPECT_EQ(numberText(-32768, 7), "-32768 ");
    EXPECT_EQ(numberText(17640, 7), " 17640 ");
    EXPECT_EQ(numberText(2147483647, 15), " 2147483647 ");
    EXPECT_EQ(numberText(-2147483648.0L, 15), "-2147483648 ");
    EXPECT_EQ(numberText(100, 15), " 100 ");
}

TEST(NumberText, SmallValuesPlainUpToNdPlaces) {
    EXPECT_EQ(numberText(1e-16L, 15), " 1E-16 ");
    EXPECT_EQ(numberText(-1e-16L, 15), "-1E-16 ");
    EXPECT_EQ(numberText(1.5e-14L, 15), " .000000000000015 ");
    EXPECT_EQ(numberText(1.25e-14L, 15), " 1.25E-14 ");
    EXPECT_EQ(numberText(0.0001L, 7), " .0001 ");
    EXPECT_EQ(numberText(0.0000001L, 7), " .0000001 ");
    EXPECT_EQ(numberText(0.00000001L, 7), " 1E-8 ");
    EXPECT_EQ(numberText(0.1L, 15), " .1 ");
}

TEST(NumberText, MixedValues) {
    EXPECT_EQ(numberText(2.75L, 15), " 2.75 ");
    EXPECT_EQ(numberText(-1234.5L, 15), "-1234.5 ");
    EXPECT_EQ(numberText(1.0L / 3.0L, 15), " .333333333333333 ");
    EXPECT_EQ(numberText(2.0L / 3.0L, 15), " .666666666666667 ");
    EXPECT_EQ(numberText(200.0L / 3.0L, 7), " 66.66667 ");
    // A double's binary value is what gets its digits: 0.1 as a double is
    // 0.1000000000000000055511..., whose 18 digits still round to .1.
    EXPECT_EQ(numberText(0.1, 15), " .1 ");
}

TEST(NumberText, DigitAfterTheLastDecidesAlone) {
    // N = 100000250001000000: digit 8 is 5 and digit 7 is even, so the later 1
    // does not lift it.
    EXPECT_EQ(numberText(1.00000250001L, 7), " 1.000002 ");
    EXPECT_EQ(numberText(1.00000350001L, 7), " 1.000004 ");
    EXPECT_EQ(numberText(1.00000249999L, 7), " 1.000002 ");
    EXPECT_EQ(numberText(1.0000026L, 7), " 1.000003 ");
    // N = 100000000000000510 for 15 digits.
    EXPECT_EQ(numberText(1.0000000000000051L, 15), " 1 ");
    EXPECT_EQ(numberText(1.0000000000000151L, 15), " 1.00000000000002 ");
}

TEST(NumberText, CarryRunsLeftAndRaisesTheExponent) {
    EXPECT_EQ(numberText(9.9999995L, 7), " 10 ");
    EXPECT_EQ(numberText(-9.9999995L, 7), "-10 ");
    EXPECT_EQ(numberText(0.99999999L, 7), " 1 ");
    EXPECT_EQ(numberText(9999999.5L, 7), " 1E+7 ");
    EXPECT_EQ(numberText(999999999999999.5L, 15), " 1E+15 ");
    EXPECT_EQ(numberText(0.0999999995L, 7), " .1 ");
    EXPECT_EQ(numberText(1.2999999999999999L, 15), " 1.3 ");
}

TEST(NumberText, ExtremeMagnitudes) {
    const long double largest = std::numeric_limits<long double>::max();
    EXPECT_EQ(numberText(largest, 15), " 1.18973149535723E+4932 ");
    const long double tiniest = std::numeric_limits<long double>::denorm_min();
    EXPECT_EQ(numberText(tiniest, 15), " 3.64519953188247E-4951 ");
    EXPECT_EQ(numberText(1e300L, 15), " 1E+300 ");
}

TEST(RoundDecimals, ExactHalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(numberText(roundDecimals(0.125, 2), 15), " .12 ");
    EXPECT_EQ(numberText(roundDecimals(0.375, 2), 15), " .38 ");
    EXPECT_EQ(numberText(roundDecimals(0.0625, 3), 15), " .062 ");
    EXPECT_EQ(numberText(roundDecimals(-0.125, 2), 15), "-.12 ");
    EXPECT_EQ(numberText(roundDecimals(2.5, 0), 15), " 2 ");
    EXPECT_EQ(numberText(roundDecimals(3.5, 0), 15), " 4 ");
}

TEST(RoundDecimals, HalfwayTestUsesTheStoredValue) {
    // As a double 2.675 is 2.67499999999999982..., times 100 exactly below the half.
    EXPECT_EQ(numberText(roundDecimals(2.675, 2), 15), " 2.67 ");
    EXPECT_EQ(numberText(roundDecimals(1.005, 2), 15), " 1 ");
    // The extended 2.675L is 2.67499999999999999996..., but times 100 the
    // product rounds to exactly 267.5, which goes to the even 268.
    EXPECT_EQ(numberText(roundDecimals(2.675L, 2), 15), " 2.68 ");
    // The double 0.285 is below the half too.
    EXPECT_EQ(numberText(roundDecimals(0.285, 2), 15), " .28 ");
}

TEST(RoundDecimals, SmallValuesAndWholeNumbers) {
    EXPECT_EQ(numberText(roundDecimals(0.0004, 3), 15), " 0 ");
    EXPECT_EQ(numberText(roundDecimals(-0.0004, 3), 15), " 0 ");
    EXPECT_EQ(numberText(roundDecimals(0.0049, 2), 15), " 0 ");
    EXPECT_EQ(numberText(roundDecimals(0.0051, 2), 15), " .01 ");
    EXPECT_EQ(numberText(roundDecimals(2.5, 3), 15), " 2.5 ");
    EXPECT_EQ(numberText(roundDecimals(40, 3), 15), " 40 ");
    EXPECT_EQ(numberText(roundDecimals(1.23456789, 3), 15), " 1.235 ");
}

TEST(RoundDecimals, PlacesAbove18CountAs18) {
    const long double x = 0.1234567890123456789L;
    EXPECT_EQ(roundDecimals(x, 40), roundDecimals(x, 18));
    EXPECT_NE(roundDecimals(x, 17), roundDecimals(x, 18));
}

TEST(RoundDecimals, NonFiniteAndHugeValuesPassThrough) {
    EXPECT_TRUE(std::isnan(roundDecimals(notANumber, 2)));
    EXPECT_EQ(roundDecimals(infinity, 2), infinity);
    EXPECT_EQ(roundDecimals(-infinity, 3), -infinity);
    const long double largest = std::numeric_limits<long double>::max();
    EXPECT_EQ(roundDecimals(largest, 3), largest);
    EXPECT_EQ(numberText(roundDecimals(notANumber, 2), 15), " 0 ");
}

}  // namespace
}  // namespace trellmark
