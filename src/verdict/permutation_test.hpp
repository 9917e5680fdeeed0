#pragma once
// The cluster permutation test: the distribution of the largest cluster mass
// when the takes are split into two groups at random (or in every possible
// way), and the p-value of an observed cluster against it.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "analysis/critical_values.hpp"

namespace trellmark {

// What makes a cluster strong. Its mass, the sum of t over it, weighs how far
// beyond chance each index lies as well as how many there are; the variance
// floor keeps an index whose takes agree to the bit from weighing thousands.
// Its size, the number of indices it spans, counts each index once, and so
// loses what a strong difference over few indices shows.
enum class ClusterStatistic { size, mass };

struct PermutationOptions {
    std::int64_t permutations = 1000;  // random splits; below 1 skips the test
    std::uint64_t seed = 1;            // the same seed gives the same splits
    int threads = 0;                   // 0: one per processor core
    ClusterStatistic statistic = ClusterStatistic::mass;
    // Told the splits judged so far and all of them, on the calling thread,
    // when the test starts and then at most every tenth of a second; false
    // stops the test. It sees the test without changing a result.
    using Watch = std::function<bool(std::int64_t done, std::int64_t total)>;
    Watch watch;
};

// What the test works on. Views into the caller's data, which must outlive the
// call; the test keeps nothing of it afterwards.
struct PermutationInput {
    // Every take's analysis window after scaling to the reference level, in
    // LSB: the reference takes, then the comparison takes, `length` values
    // each, take-major ((referenceTakes + comparisonTakes) * length entries).
    std::span<const std::int64_t> takeValues;
    int referenceTakes = 0;                      // at least 2
    int comparisonTakes = 0;                     // at least 2
    std::int64_t length = 0;                     // indices 0 .. length - 1
    TestLevel level = TestLevel::percent95;      // not none
    const CriticalValueTable* tables = nullptr;  // the program's table
};

// Integer width the sums are kept in: short16 (16-bit values, 64-bit sums),
// narrow (32-bit values, 64-bit sums), wide (64-bit values, 128-bit sums),
// widest (squares in 192 bits). Automatic picks the narrowest that holds every
// value and sum exactly; a width asked for that is too narrow is widened.
enum class SumWidth { automatic, short16, narrow, wide, widest };

// How the splits are computed; every choice gives the same result, which
// tests check. Only tests change it.
struct KernelChoice {
    SumWidth width = SumWidth::automatic;
    bool allowAvx2 = true;  // used only where the processor has it
};

struct NullDistribution {
    bool exact = false;                    // every split enumerated rather than drawn
    std::int64_t splits = 0;               // random splits drawn, or all splits when exact
    SumWidth width = SumWidth::automatic;  // the width used
    // Largest cluster statistic of every split (|mass| or size; 0 without
    // clusters), ascending. When exact the observed split is among them, with
    // the statistic judgeObservedSplit gives it, to the bit.
    std::vector<double> sortedMaxima;
    bool stopped = false;  // the watch stopped the test: the maxima are incomplete
};

// The observed split as the verdict judges it, per index of the window, from
// the same exact sums and the same code as every permuted split.
struct ObservedSplit {
    std::vector<double> t;
    std::vector<std::uint8_t> significant;  // 1 where verdictIndexTest marks the index
    std::vector<double> referenceMean;      // S / n of the reference takes
    std::vector<double> comparisonMean;
    // 2(n - 1) for equal sizes; otherwise Welch-Satterthwaite from the floored
    // variances, not rounded: what the exact p-value uses.
    std::vector<double> degreesOfFreedom;
};

// REQUIRES: input as documented.
ObservedSplit judgeObservedSplit(const PermutationInput& input, const KernelChoice& kernel = {});

// C(nR + nC, nR) <= permutations: every split is enumerated (the exact test);
// otherwise `permutations` random splits are drawn.
// REQUIRES: input as documented, options.permutations >= 1.
NullDistribution computeNullDistribution(const PermutationInput& input,
                                         const PermutationOptions& options,
                                         const KernelChoice& kernel = {});

// p of a cluster whose statistic (its size, or its mass) is `strength`:
// (1 + #maxima >= |strength|) / (splits + 1) for random splits,
// #maxima >= |strength| / splits when exact.
double clusterPValue(const NullDistribution& distribution, double strength);

struct PValueInterval {
    double low = 0;
    double high = 0;
};

// 95 % Monte Carlo interval p -+ 1.96 sqrt(p (1 - p) / splits) within [0, 1];
// [p, p] for the exact test.
PValueInterval clusterPValueInterval(const NullDistribution& distribution, double p);

// Bytes the test needs at its peak for `takes` takes of `length` indices and the
// given options, counting the caller's takeValues array (8 bytes per value),
// which exists only for the test: the takes' table at its widest, the totals,
// the splits' maxima and the threads' working arrays. Saturates at 2^64 - 1.
std::uint64_t permutationTestBytes(int takes, std::int64_t length,
                                   const PermutationOptions& options);

}  // namespace trellmark
