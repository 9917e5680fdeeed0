#pragma once
// The verdict of a finished run, from its record and every take's scaled
// analysis window.

#include <cstdint>
#include <span>
#include <string_view>

#include "analysis/run_results.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// What the verdict of the run is computed from: its sets' figures, take
// counts, window length and level. Views into `run`, `takeValues` and
// `tables`, which must outlive it.
VerdictInput verdictInputOf(const RunResults& run, std::span<const std::int64_t> takeValues,
                            const CriticalValueTable& tables, const PermutationOptions& options,
                            std::string_view skipPermutationTest);

// `takeValues` holds the reference takes' scaled windows, then the comparison
// takes', analysisLength values each, in the order the sets were read; it may
// be empty when `skipPermutationTest` says why the test is not run. With
// halveAlpha the clusters are judged at alpha / 2 (a second verdict shares the
// run's alpha).
Verdict verdictOfRun(const RunResults& run, std::span<const std::int64_t> takeValues,
                     const PermutationOptions& options, std::string_view skipPermutationTest,
                     bool halveAlpha = false);

// Bytes the verdict of a run with these sets and this window needs at its
// peak, the scaled windows included: ask before keeping them.
std::uint64_t runVerdictBytes(int referenceTakes, int comparisonTakes, std::int32_t analysisLength,
                              const PermutationOptions& options);

}  // namespace trellmark
