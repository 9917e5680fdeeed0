#include "analysis/set_comparison.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/index_test.hpp"

namespace trellmark {
namespace {

void markSignificant(ComparisonResult& result, std::size_t j, double difference) {
    result.differenceSignal[j] = difference;
    const double size = std::fabs(difference);
    if (size > result.largestDifference) result.largestDifference = size;
    result.accumulatedDifference += size;
    ++result.significantCount;
}

}  // namespace

ComparisonResult compareMeans(const SetStatistics& reference, const SetStatistics& comparison,
                              std::int32_t analysisLength, TestLevel level,
                              const CriticalValueTable& tables) {
    ComparisonResult result;
    const std::size_t length = analysisLength > 0 ? static_cast<std::size_t>(analysisLength) : 0;
    result.differenceSignal.assign(length, 0.0);
    if (level == TestLevel::none) return result;
    const int nR = reference.fileCount;
    const int nC = comparison.fileCount;
    // A set of fewer than two files has no scatter to test against.
    if (nR < 2 || nC < 2) return result;

    const std::size_t tested = std::min({length, reference.mean.size(), reference.stdDev.size(),
                                         comparison.mean.size(), comparison.stdDev.size()});
    const bool equalSizes = nR == nC;
    const IndexTestSetup setup = makeIndexTestSetup(nR, nC, level, tables);
    result.t.assign(length, std::numeric_limits<double>::quiet_NaN());
    result.degreesOfFreedom.assign(length, equalSizes ? nR + nC - 2 : 0.0);
    for (std::size_t j = 0; j < tested; ++j) {
        const double mR = reference.mean[j];
        const double mC = comparison.mean[j];
        const double sR = reference.stdDev[j];
        const double sC = comparison.stdDev[j];
        const IndexTestOutcome outcome = testIndex(setup, mR, mC, sR, sC);
        result.t[j] = outcome.t;
        if (!equalSizes) result.degreesOfFreedom[j] = welchDegreesOfFreedom(nR, nC, sR, sC);
        if (outcome.significant) markSignificant(result, j, mR - mC);
    }
    return result;
}

}  // namespace trellmark
