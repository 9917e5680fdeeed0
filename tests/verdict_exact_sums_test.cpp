#include <gtest/gtest.h>

#include <cmath>

#include "verdict/exact_sums.hpp"

namespace trellmark {
namespace {

UInt192 make(std::uint64_t high, UInt128 low) {
    UInt192 value;
    value.high = high;
    value.low = low;
    return value;
}

UInt128 make128(std::uint64_t high, std::uint64_t low) {
    return (static_cast<UInt128>(high) << 64) | low;
}

TEST(VerdictExactSums, ConversionRoundsToNearestWithTiesToEven) {
    EXPECT_EQ(toDouble(make(0, 12345)), 12345.0);
    EXPECT_EQ(toDouble(make(1, 0)), std::ldexp(1.0, 128));
    EXPECT_EQ(toDouble(make(1, 1)), std::ldexp(1.0, 128));
    EXPECT_EQ(toDouble(make(std::uint64_t{1} << 63, 0)), std::ldexp(1.0, 191));
    // 2^181 + 2^128 lies halfway between neighbours 2^129 apart: to even, down;
    // one more unit breaks the tie upwards.
    const std::uint64_t halfway = (std::uint64_t{1} << 53) + 1;
    EXPECT_EQ(toDouble(make(halfway, 0)), std::ldexp(1.0, 181));
    EXPECT_EQ(toDouble(make(halfway, 1)), std::ldexp(1.0, 181) + std::ldexp(1.0, 129));
    // 2^190 + 2^137 + 1 (Python: 0x1.0000000000001p+190): the lone low bit
    // lies 137 bits below the rounding position.
    EXPECT_EQ(toDouble(make((std::uint64_t{1} << 62) + (std::uint64_t{1} << 9), 1)),
              std::ldexp(1.0, 190) + std::ldexp(1.0, 138));
}

TEST(VerdictExactSums, ProductsCarryAcrossWords) {
    // Python: (2^79 + 12345)^2 and (6 * 2^128 - 1) * 1000.
    const UInt192 square = squareWide((static_cast<UInt128>(1) << 79) + 12345);
    EXPECT_EQ(square.high, 0x40000000U);
    EXPECT_TRUE(square.low == make128(0x30390000ULL, 0x09156cb1ULL));
    const UInt192 product = timesSmall(make(5, ~static_cast<UInt128>(0)), 1000);
    EXPECT_EQ(product.high, 0x176fU);
    EXPECT_TRUE(product.low == ~static_cast<UInt128>(0) - 999);
    UInt192 sum = make(0, ~static_cast<UInt128>(0));
    sum += 2;
    EXPECT_EQ(sum.high, 1U);
    EXPECT_TRUE(sum.low == 1);
    const UInt192 difference = make(1, 1) - make(0, 2);
    EXPECT_EQ(difference.high, 0U);
    EXPECT_TRUE(difference.low == ~static_cast<UInt128>(0));
}

TEST(VerdictExactSums, NumeratorsAgreeAcrossWidths) {
    // Values 3, -1, 7 (S = 9, SS = 59): 3 * 59 - 81 = 96 in every width.
    EXPECT_EQ(NarrowSums::numerator(9, 59, 3), 96.0);
    EXPECT_EQ(WideSums::numerator(9, 59, 3), 96.0);
    UInt192 squares;
    for (const std::int64_t x : {3, -1, 7}) squares += WidestSums::square(x);
    EXPECT_EQ(WidestSums::numerator(9, squares, 3), 96.0);
    // Two takes of the most negative value: S^2 = 2^128 = 2 SS, no scatter.
    UInt192 extreme;
    extreme += WidestSums::square(INT64_MIN);
    extreme += WidestSums::square(INT64_MIN);
    EXPECT_EQ(WidestSums::numerator(2 * static_cast<Int128>(INT64_MIN), extreme, 2), 0.0);
    // Values 2^62 and -2^62 + 1: 2 (2^124 + (2^62 - 1)^2) - 1 = 2^126 - 2^64 + 1,
    // which rounds to 2^126.
    UInt192 spread;
    spread += WidestSums::square(std::int64_t{1} << 62);
    spread += WidestSums::square(-(std::int64_t{1} << 62) + 1);
    EXPECT_EQ(WidestSums::numerator(1, spread, 2), std::ldexp(1.0, 126));
    EXPECT_EQ(WideSums::numerator(1,
                                  WideSums::square(std::int64_t{1} << 62) +
                                      WideSums::square(-(std::int64_t{1} << 62) + 1),
                                  2),
              std::ldexp(1.0, 126));
}

}  // namespace
}  // namespace trellmark
