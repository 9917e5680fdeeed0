#include "verdict/run_verdict.hpp"

#include <algorithm>
#include <limits>
#include <vector>

namespace trellmark {

Verdict verdictOfRun(const RunResults& run, std::span<const std::int64_t> takeValues,
                     const PermutationOptions& options, std::string_view skipPermutationTest) {
    const std::int64_t length = std::max(run.parameters.analysisLength, 0);
    const auto indices = static_cast<std::size_t>(length);
    const CriticalValueTable tables = buildCriticalValueTables();
    // Where no test was made there is no t; the verdict then says why.
    std::vector<double> noTest;
    std::span<const double> t = run.result.t;
    if (t.size() < indices) {
        noTest.assign(indices, std::numeric_limits<double>::quiet_NaN());
        t = noTest;
    }
    std::vector<std::uint8_t> significant(indices);
    for (std::size_t j = 0; j < indices; ++j) significant[j] = significantAt(run.result, j) ? 1 : 0;

    VerdictInput input;
    input.referenceMean = run.referenceStatistics.mean;
    input.referenceStdDev = run.referenceStatistics.stdDev;
    input.comparisonMean = run.comparisonStatistics.mean;
    input.comparisonStdDev = run.comparisonStatistics.stdDev;
    input.referenceTakes = run.referenceStatistics.fileCount;
    input.comparisonTakes = run.comparisonStatistics.fileCount;
    input.observedT = t;
    input.observedSignificant = significant;
    input.takeValues = takeValues;
    input.length = length;
    input.confidence = run.parameters.confidenceLevel;
    input.tables = &tables;
    input.options = options;
    input.skipPermutationTest = skipPermutationTest;
    return computeVerdict(input);
}

std::uint64_t runVerdictBytes(int referenceTakes, int comparisonTakes, std::int32_t analysisLength,
                              const PermutationOptions& options) {
    return verdictBytes(referenceTakes + comparisonTakes, std::max(analysisLength, 0), options);
}

}  // namespace trellmark
