#pragma once
// The index-by-index two-sample t test of the reference set against the
// comparison set.

#include <cstdint>
#include <vector>

#include "stats/critical_values.hpp"
#include "stats/set_statistics.hpp"

namespace trellmark {

struct ComparisonResult {
    std::int32_t significantCount = 0;
    double largestDifference = 0;          // largest |mR - mC| over significant indices
    double accumulatedDifference = 0;      // sum of |mR - mC| over significant indices
    std::vector<double> differenceSignal;  // mR - mC where significant, else 0
};

// Prints "   Comparing data..." and a blank row, then tests every index.
ComparisonResult compareSets(Console& console, const SetStatistics& reference,
                             const SetStatistics& comparison, std::int32_t analysisLength,
                             std::int16_t confidenceLevel, const CriticalValueTable& tables);

// The test itself, without the console line.
ComparisonResult compareMeans(const SetStatistics& reference, const SetStatistics& comparison,
                              std::int32_t analysisLength, std::int16_t confidenceLevel,
                              const CriticalValueTable& tables);

}  // namespace trellmark
