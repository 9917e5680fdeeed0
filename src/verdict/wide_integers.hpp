#pragma once
// Names for the compiler's 128-bit integers, which exact sums of squares and
// binomial coefficients need; __extension__ keeps -pedantic quiet about them.

namespace trellmark {

__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

}  // namespace trellmark
