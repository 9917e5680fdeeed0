#pragma once
// The verdict's decision for the indices of one block of one split, from both
// groups' exact sums turned into doubles: t and significance per index. A
// plain version, which applies verdictIndexTest index by index, and an AVX2
// version with the same operations in the same order, so the same bits.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "analysis/index_test.hpp"

namespace trellmark {

// Per index of a block, from the exact integer sums (each rounded once to
// double). Views into the caller's arrays of at least `count` entries.
struct BlockMoments {
    const double* groupSum = nullptr;        // S of the drawn group
    const double* otherSum = nullptr;        // S of the other group
    const double* groupNumerator = nullptr;  // n SS - S^2 of the drawn group
    const double* otherNumerator = nullptr;  // the same for the other group
};

struct SplitShape {
    int groupSize = 0;             // takes in the drawn group
    int otherSize = 0;             // takes in the other group
    bool groupIsReference = true;  // the drawn group plays the reference set
};

// The same moments by the role each group plays in the test. Views into the
// same arrays.
struct RoleMoments {
    const double* referenceSum = nullptr;
    const double* comparisonSum = nullptr;
    const double* referenceNumerator = nullptr;
    const double* comparisonNumerator = nullptr;
};

inline RoleMoments byRole(const BlockMoments& moments, const SplitShape& shape) {
    if (shape.groupIsReference) {
        return {moments.groupSum, moments.otherSum, moments.groupNumerator, moments.otherNumerator};
    }
    return {moments.otherSum, moments.groupSum, moments.otherNumerator, moments.groupNumerator};
}

// The smallest variance a group may have, in LSB^2: that of rounding to whole
// LSB. Takes that agree to the last bit have not shown a spread of 0, only one
// below what whole LSB can show; without the floor their t is infinite, or
// huge where rounding leaves a trace, and one such index decides the verdict.
constexpr double varianceFloor = 1.0 / 12;

// A group's variance numerator / (n (n - 1)), n SS - S^2 being the numerator,
// never below the floor.
inline double flooredVariance(double numerator, double nTimesNLessOne) {
    return std::max(numerator / nTimesNLessOne, varianceFloor);
}

// The verdict's decision for one index from both groups' means and floored
// variances: the index test's formulas and critical values (Student's t on
// 2(n - 1) degrees of freedom for equal sizes, Welch's otherwise), where the
// floor leaves no index without scatter.
inline IndexTestOutcome verdictIndexTest(const IndexTestSetup& setup, double mR, double mC,
                                         double vR, double vC) {
    const int nR = setup.referenceTakes;
    const int nC = setup.comparisonTakes;
    if (nR == nC) {
        const double t = (mR - mC) / std::sqrt((vR + vC) / nR);
        return {t, std::fabs(t) > setup.equalSizeCritical};
    }
    const double a = vR / nR;
    const double b = vC / nC;
    const double t = (mR - mC) / std::sqrt(a + b);
    if (!(std::fabs(t) > setup.smallestCritical)) return {t, false};
    const int d = degreesOfFreedom(nR, nC, a, b);
    return {t, d >= 1 && std::fabs(t) > criticalValue(*setup.tables, setup.level, d)};
}

// For i in 0 .. count - 1: each group's mean S / n and floored variance, then
// verdictIndexTest. Writes t[i] and significant[i] (1 or 0).
void decideBlock(const IndexTestSetup& setup, const SplitShape& shape, const BlockMoments& moments,
                 std::int64_t count, double* t, std::uint8_t* significant);

// The same results. REQUIRES: the processor has AVX2, count is a multiple of 4.
void decideBlockAvx2(const IndexTestSetup& setup, const SplitShape& shape,
                     const BlockMoments& moments, std::int64_t count, double* t,
                     std::uint8_t* significant);

// For i in 0 .. count - 1 (a multiple of 4): the moments of both groups from
// the drawn group's sums and the totals. REQUIRES: the processor has AVX2;
// every sum, total, n SS and S^2 lies within +-2^51, where each step in double
// is exact, so the results equal the exact integers rounded once.
void momentsFromSmallSumsAvx2(const std::int64_t* sums, const std::int64_t* squares,
                              const std::int64_t* totalSum, const std::int64_t* totalSquares,
                              std::int64_t count, const SplitShape& shape, double* groupSum,
                              double* otherSum, double* groupNumerator, double* otherNumerator);

// Sums of the drawn group's values and of their squares over `width` indices
// (a multiple of 16) from `offset` on, in 64 bits. rows[g] is the first value of
// the group's take g. REQUIRES: the processor has AVX2, the sums fit in 64 bits.
void sumNarrowGroupAvx2(const std::int32_t* const* rows, int groupSize, std::int64_t offset,
                        std::int64_t width, std::int64_t* sums, std::int64_t* squares);

// The same for values within +-32767, two takes at a time: rows holds a
// multiple of 4 entries, those past the group pointing at a row of zeros.
void sumShortGroupAvx2(const std::int16_t* const* rows, int paddedGroupSize, std::int64_t offset,
                       std::int64_t width, std::int64_t* sums, std::int64_t* squares);

}  // namespace trellmark
