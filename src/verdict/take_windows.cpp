#include "verdict/take_windows.hpp"

#include "io/memory_limits.hpp"
#include "verdict/verdict_budget.hpp"

namespace trellmark {

void planTakeWindows(TakeWindows& windows, int referenceTakes, int comparisonTakes,
                     const AnalysisParameters& parameters, const PermutationOptions& options) {
    windows.skip = permutationTestSkip(referenceTakes, comparisonTakes, parameters, options,
                                       availableMemoryBytes());
    windows.keeping = windows.skip.empty() &&
                      permutationTestWanted(referenceTakes, comparisonTakes, parameters, options);
    if (!windows.keeping) windows.values = {};
}

std::vector<std::int64_t>* windowsToKeep(TakeWindows& windows) {
    return windows.keeping ? &windows.values : nullptr;
}

}  // namespace trellmark
