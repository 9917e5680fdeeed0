#pragma once
// The index-by-index t test's decision for one index, from the two sets' means
// and standard deviations. The comparison, the permutation test's splits and
// the figure's bounds all use it, so a split is judged as the observed sets
// are.

#include <cmath>
#include <cstdint>

#include "analysis/critical_values.hpp"

namespace trellmark {

// What does not change from index to index. Holds a pointer to the caller's
// table, which must outlive it.
struct IndexTestSetup {
    int referenceTakes = 0;                  // nR >= 2
    int comparisonTakes = 0;                 // nC >= 2
    TestLevel level = TestLevel::percent95;  // not none
    const CriticalValueTable* tables = nullptr;
    double equalSizeCritical = 0;  // the critical value when nR == nC
    // The smallest critical value of entries 1 .. 121: a |t| at or below it is
    // below every entry, so the entry need not be looked up.
    double smallestCritical = 0;
};

// REQUIRES: nR >= 2, nC >= 2, level not none.
IndexTestSetup makeIndexTestSetup(int referenceTakes, int comparisonTakes, TestLevel level,
                                  const CriticalValueTable& tables);

struct IndexTestOutcome {
    double t = 0;  // (mR - mC) / standard error; +-infinity or NaN without scatter
    bool significant = false;
};

inline IndexTestOutcome testIndex(const IndexTestSetup& setup, double mR, double mC, double sR,
                                  double sC) {
    const int nR = setup.referenceTakes;
    const int nC = setup.comparisonTakes;
    if (nR == nC) {
        const double t = (mR - mC) / std::sqrt((sR * sR + sC * sC) / nR);
        return {t, std::fabs(t) > setup.equalSizeCritical};
    }
    const double a = (sR * sR) / nR;
    const double b = (sC * sC) / nC;
    const double t = (mR - mC) / std::sqrt(a + b);
    // No scatter in either set: any difference of the means is beyond it.
    if (a == 0 && b == 0) return {t, mR != mC};
    if (!(std::fabs(t) > setup.smallestCritical)) return {t, false};
    const int d = degreesOfFreedom(nR, nC, a, b);
    return {t, d >= 1 && std::fabs(t) > criticalValue(*setup.tables, setup.level, d)};
}

// What the decision compares: the standard error of the difference and the
// critical value |t| must exceed; the critical value is not a number where no
// table entry applies (no scatter at all, or fewer than one degree of freedom).
struct IndexTestBounds {
    double standardError = 0;
    double critical = 0;
};

IndexTestBounds indexTestBounds(const IndexTestSetup& setup, double sR, double sC);

}  // namespace trellmark
