#pragma once
// Whether a run can afford the permutation test: it holds every take's scaled
// window, which the analysis alone never does.

#include <cstdint>
#include <string>

#include "analysis/analysis_parameters.hpp"
#include "verdict/permutation_test.hpp"

namespace trellmark {

// Empty when the test of these sets fits beside the analysis in
// `availableBytes`; otherwise the reason to skip it, e.g. "it needs 146 MB
// and 100 MB are free". Sets too small to test or a level without a test need
// no memory and fit.
std::string permutationTestSkip(int referenceTakes, int comparisonTakes,
                                const AnalysisParameters& parameters,
                                const PermutationOptions& options, std::uint64_t availableBytes);

// Whether the windows are worth keeping: a test is made. The verdict's t comes
// from their exact sums even when no permutations are asked for.
bool permutationTestWanted(int referenceTakes, int comparisonTakes,
                           const AnalysisParameters& parameters, const PermutationOptions& options);

}  // namespace trellmark
