#include "verdict/run_verdict.hpp"

#include <algorithm>

namespace trellmark {

VerdictInput verdictInputOf(const RunResults& run, std::span<const std::int64_t> takeValues,
                            const CriticalValueTable& tables, const PermutationOptions& options,
                            std::string_view skipPermutationTest) {
    VerdictInput input;
    input.referenceMean = run.referenceStatistics.mean;
    input.referenceStdDev = run.referenceStatistics.stdDev;
    input.comparisonMean = run.comparisonStatistics.mean;
    input.comparisonStdDev = run.comparisonStatistics.stdDev;
    input.referenceTakes = run.referenceStatistics.fileCount;
    input.comparisonTakes = run.comparisonStatistics.fileCount;
    input.takeValues = takeValues;
    input.length = std::max(run.parameters.analysisLength, 0);
    input.level = run.parameters.confidenceLevel.test();
    input.tables = &tables;
    input.options = options;
    input.skipPermutationTest = skipPermutationTest;
    return input;
}

Verdict verdictOfRun(const RunResults& run, std::span<const std::int64_t> takeValues,
                     const PermutationOptions& options, std::string_view skipPermutationTest,
                     bool halveAlpha) {
    const CriticalValueTable tables = buildCriticalValueTables();
    VerdictInput input = verdictInputOf(run, takeValues, tables, options, skipPermutationTest);
    input.halveAlpha = halveAlpha;
    return computeVerdict(input);
}

std::uint64_t runVerdictBytes(int referenceTakes, int comparisonTakes, std::int32_t analysisLength,
                              const PermutationOptions& options) {
    return verdictBytes(referenceTakes + comparisonTakes, std::max(analysisLength, 0), options);
}

}  // namespace trellmark
