#pragma once
// The one conversion of a number to text, shared by the screen and the report.
// It works on x87 extended precision (64-bit mantissa): the averages are formed
// in it, and rounding them to their decimal places in the same precision
// avoids a second rounding through double that could move the last digit.

#include <limits>
#include <string>

namespace trellmark {

static_assert(std::numeric_limits<long double>::digits == 64,
              "figures are formatted on the x87 extended type with a 64-bit mantissa");

// Significant digits: 7 for figures held as 16-bit integers, 15 for 32-bit
// integers and floating-point figures.
constexpr int digits16 = 7;
constexpr int digits32 = 15;

// x to d decimal places (d above 18 counts as 18), exact halves to even.
long double roundDecimals(long double x, int d);

// Sign position (minus or blank), body, one trailing blank. NaN prints as 0.
std::string numberText(long double x, int nd);

}  // namespace trellmark
