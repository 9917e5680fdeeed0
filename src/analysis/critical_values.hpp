#pragma once
// Two-sided Student t critical values at 95 and 99 per cent, for 1 to 120
// degrees of freedom and, in entry 121, for more.

#include <array>
#include <cstdint>

#include "analysis/confidence_level.hpp"

namespace trellmark {

constexpr int criticalValueEntries = 121;

struct CriticalValueTable {
    // Index 1 .. 121 is the entry number; index 0 is unused.
    std::array<double, criticalValueEntries + 1> percent95{};
    std::array<double, criticalValueEntries + 1> percent99{};
};

CriticalValueTable buildCriticalValueTables();

// REQUIRES: level is not none, 1 <= d <= 121.
double criticalValue(const CriticalValueTable& tables, TestLevel level, int d);

// Entry number for the test: 2(n - 1) for equal sizes, otherwise the
// Welch-Satterthwaite value taken down to a whole number from the variance
// terms a = sR^2 / nR and b = sC^2 / nC; above 120 gives 121. May be below 1
// (sets of fewer than two files) or meaningless (a = b = 0); callers handle it.
std::int16_t degreesOfFreedom(int nR, int nC, double a, double b);

// The Welch-Satterthwaite degrees of freedom (a + b)^2 / (a^2 / (nR - 1) +
// b^2 / (nC - 1)) with a = sR^2 / nR, b = sC^2 / nC, not rounded, from the
// standard deviations themselves, so that tiny ones do not lose their digits
// to squaring; not a number when both are 0. REQUIRES: nR >= 2, nC >= 2.
double welchDegreesOfFreedom(int nR, int nC, double sR, double sC);

}  // namespace trellmark
