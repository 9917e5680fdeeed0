#pragma once
// The test of the takes' spectra bin by bin: the index test on levels in dB,
// clusters of adjacent significant bins, and the permutation test over the
// same splits as the time-domain verdict.

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/critical_values.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// The smallest variance of a group's levels, in dB^2: below 0.01 dB the
// spread is arithmetic, not measurement, and an unfloored bin whose takes
// agree would weigh without bound.
constexpr double levelVarianceFloor = 1e-4;

// Every take's levels. Views into the caller's data.
struct LevelTestInput {
    // Levels in dB, take-major: reference takes, then comparison takes,
    // `bins` values each.
    std::span<const double> levels;
    int referenceTakes = 0;
    int comparisonTakes = 0;
    std::int64_t bins = 0;
    TestLevel level = TestLevel::percent95;  // not none: the index test's level
    double alpha = 0.05;           // what a cluster's p must be below
    const CriticalValueTable* tables = nullptr;
    PermutationOptions options;
};

// The split of the sets themselves, bin by bin.
struct LevelSplit {
    std::vector<double> t;
    std::vector<std::uint8_t> significant;
};

// The test of the given levels. Its Verdict has per-bin t, significance and
// clusters (first and last as positions in levels, mass, mean difference of
// the levels in dB as meanDifference, p); p, degreesOfFreedom and fdrKept are
// left empty. The split of the sets and every permuted split are judged by
// one computation, whose sums run over the takes in their order whichever
// group plays which role, so a split and its mirror give t of opposite sign
// to the bit.
Verdict testLevels(const LevelTestInput& input);

// The largest cluster |mass| (or size) of the split whose group holds the
// takes marked in inGroup, with the group as reference when groupIsReference;
// t and significant get the split's per-bin values when not empty.
double judgeLevelSplit(const LevelTestInput& input, std::span<const std::uint8_t> inGroup,
                       bool groupIsReference, std::span<double> t,
                       std::span<std::uint8_t> significant);

}  // namespace trellmark
