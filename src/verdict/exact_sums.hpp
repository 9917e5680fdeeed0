#pragma once
// Per-index sums of a group's values and of their squares kept exactly in
// integers of four widths, and the variance numerator n SS - S^2 formed from
// them. The numerator is exact in every width and rounded once, so each width
// gives the same doubles wherever it applies.

#include <cmath>
#include <cstdint>

#include "verdict/wide_integers.hpp"

namespace trellmark {

// An unsigned integer of 192 bits: high * 2^128 + low. Holds sums of squares of
// values up to 2^63 over any number of takes the program can read.
struct UInt192 {
    UInt128 low = 0;
    std::uint64_t high = 0;
};

inline UInt192& operator+=(UInt192& a, UInt128 x) {
    a.low += x;
    a.high += a.low < x ? 1 : 0;
    return a;
}

// REQUIRES: a >= b.
inline UInt192 operator-(const UInt192& a, const UInt192& b) {
    return {a.low - b.low, a.high - b.high - (a.low < b.low ? 1 : 0)};
}

// REQUIRES: the product is below 2^192.
inline UInt192 timesSmall(const UInt192& a, std::uint64_t n) {
    const UInt128 p0 = static_cast<UInt128>(static_cast<std::uint64_t>(a.low)) * n;
    const UInt128 p1 = static_cast<UInt128>(static_cast<std::uint64_t>(a.low >> 64)) * n;
    const UInt128 middle = (p0 >> 64) + static_cast<std::uint64_t>(p1);
    UInt192 product;
    product.low = static_cast<std::uint64_t>(p0) | (middle << 64);
    product.high = a.high * n + static_cast<std::uint64_t>(p1 >> 64) +
                   static_cast<std::uint64_t>(middle >> 64);
    return product;
}

// REQUIRES: a < 2^96, so the square fits.
inline UInt192 squareWide(UInt128 a) {
    const auto a0 = static_cast<std::uint64_t>(a);
    const auto a1 = static_cast<std::uint64_t>(a >> 64);
    const UInt128 twiceCross = 2 * (static_cast<UInt128>(a1) * a0);
    UInt192 square;
    square.low = static_cast<UInt128>(a0) * a0;
    square += twiceCross << 64;
    square.high += a1 * a1 + static_cast<std::uint64_t>(twiceCross >> 64);
    return square;
}

// Rounded to the nearest double, ties to even, as a conversion of the whole
// number would be.
inline double toDouble(const UInt192& a) {
    if (a.high == 0) return static_cast<double>(a.low);
    // The top 64 bits, with every bit below them folded into the lowest one:
    // that bit lies far below the rounding position, so it only breaks ties.
    const int highBits = 64 - __builtin_clzll(a.high);
    const int shift = 64 + highBits;  // 65 .. 128
    std::uint64_t top = a.high << (64 - highBits);
    bool sticky = false;
    if (shift < 128) {
        top |= static_cast<std::uint64_t>(a.low >> shift);
        sticky = (a.low << (128 - shift)) != 0;
    } else {
        sticky = a.low != 0;
    }
    return std::ldexp(static_cast<double>(top | (sticky ? 1U : 0U)), shift);
}

// |x| of a 128-bit sum, without overflow.
inline UInt128 magnitude(Int128 x) {
    return x < 0 ? -static_cast<UInt128>(x) : static_cast<UInt128>(x);
}

// Values of up to 31 bits where n^2 max|x|^2 fits in 63 bits.
struct NarrowSums {
    using Value = std::int32_t;
    using Sum = std::int64_t;
    using Square = std::int64_t;
    static Square square(Value x) { return static_cast<Square>(x) * x; }
    static double numerator(Sum s, Square q, int n) { return static_cast<double>(n * q - s * s); }
};

// Values within +-32767 (16-bit recordings at the reference level): as
// narrow, held in half the memory, and two takes' squares can be formed and
// added in one 32-bit lane.
struct ShortSums : NarrowSums {
    using Value = std::int16_t;
    static Square square(Value x) { return static_cast<Square>(x) * x; }
};

// Values of up to 63 bits where n^2 max|x|^2 fits in 127 bits.
struct WideSums {
    using Value = std::int64_t;
    using Sum = Int128;
    using Square = Int128;
    static Square square(Value x) { return static_cast<Square>(x) * x; }
    static double numerator(Sum s, Square q, int n) { return static_cast<double>(n * q - s * s); }
};

// Any value of 64 bits: squares summed in 192 bits.
struct WidestSums {
    using Value = std::int64_t;
    using Sum = Int128;
    using Square = UInt192;
    static UInt128 square(Value x) {
        const UInt128 m = magnitude(x);
        return m * m;
    }
    static double numerator(Sum s, const Square& q, int n) {
        return toDouble(timesSmall(q, static_cast<std::uint64_t>(n)) - squareWide(magnitude(s)));
    }
};

}  // namespace trellmark
