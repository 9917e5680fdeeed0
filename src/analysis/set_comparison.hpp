#pragma once
// The index-by-index two-sample t test of the reference set against the
// comparison set.

#include <cstdint>
#include <vector>

#include "analysis/critical_values.hpp"
#include "analysis/set_statistics.hpp"

namespace trellmark {

struct ComparisonResult {
    std::int32_t significantCount = 0;
    double largestDifference = 0;          // largest |mR - mC| over significant indices
    double accumulatedDifference = 0;      // sum of |mR - mC| over significant indices
    std::vector<double> differenceSignal;  // mR - mC where significant, else 0
    // Per index, where a test was made (confidence 95 or 99, both sets of two
    // files or more; otherwise both are empty): t = (mR - mC) / standard error
    // (infinite or not a number where the error is 0), and the degrees of
    // freedom of t: nR + nC - 2 for equal sizes, the Welch-Satterthwaite value
    // not rounded for unequal ones. The test itself compares |t| with the table
    // entry of the degrees of freedom rounded down.
    std::vector<double> t;
    std::vector<double> degreesOfFreedom;
};

// Whether the test found index j significant. Only such an index has a
// difference signal, and it is never 0 there: the means differ.
inline bool significantAt(const ComparisonResult& result, std::size_t j) {
    return j < result.differenceSignal.size() && result.differenceSignal[j] != 0;
}

// Tests every index of the window.
ComparisonResult compareMeans(const SetStatistics& reference, const SetStatistics& comparison,
                              std::int32_t analysisLength, TestLevel level,
                              const CriticalValueTable& tables);

}  // namespace trellmark
