#include "verdict/verdict_budget.hpp"

#include "analysis/memory_budget.hpp"
#include "verdict/run_verdict.hpp"

namespace trellmark {

bool permutationTestWanted(int referenceTakes, int comparisonTakes,
                           const AnalysisParameters& parameters,
                           [[maybe_unused]] const PermutationOptions& options) {
    const bool tested = parameters.confidenceLevel.test() != TestLevel::none;
    return tested && referenceTakes >= 2 && comparisonTakes >= 2 && parameters.analysisLength > 0;
}

std::string permutationTestSkip(int referenceTakes, int comparisonTakes,
                                const AnalysisParameters& parameters,
                                const PermutationOptions& options, std::uint64_t availableBytes) {
    if (!permutationTestWanted(referenceTakes, comparisonTakes, parameters, options)) return {};
    const std::uint64_t analysis =
        static_cast<std::uint64_t>(parameters.analysisLength) * bytesPerAnalysedSample;
    const std::uint64_t usable = usableMemoryBytes(availableBytes);
    const std::uint64_t needed =
        runVerdictBytes(referenceTakes, comparisonTakes, parameters.analysisLength, options);
    if (analysis <= usable && needed <= usable - analysis) return {};
    constexpr std::uint64_t megabyte = 1000 * 1000;
    return "it needs " + std::to_string(needed / megabyte + 1) + " MB and " +
           std::to_string(usable > analysis ? (usable - analysis) / megabyte : 0) + " MB are free.";
}

}  // namespace trellmark
