#pragma once
// The takes' scaled windows that the permutation test splits again and again.
// The analysis alone never holds them, so they are kept only when the test is
// wanted and fits in memory; that is decided here, for both front ends.

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/analysis_parameters.hpp"
#include "verdict/permutation_test.hpp"

namespace trellmark {

struct TakeWindows {
    // Reference takes, then comparison takes, analysisLength values each, in
    // the order the sets were read.
    std::vector<std::int64_t> values;
    bool keeping = false;  // the set being read appends its windows to values
    std::string skip;      // why the permutation test will not run; empty when it may
};

// Decides for sets of these sizes, with the memory free now, whether the
// windows are kept. Called before each set is read: until the comparison set
// is known, give the reference set's size for it. Windows kept so far are
// dropped when the test no longer fits.
void planTakeWindows(TakeWindows& windows, int referenceTakes, int comparisonTakes,
                     const AnalysisParameters& parameters, const PermutationOptions& options);

// Where the set being read puts its windows: null when none are kept.
std::vector<std::int64_t>* windowsToKeep(TakeWindows& windows);

}  // namespace trellmark
