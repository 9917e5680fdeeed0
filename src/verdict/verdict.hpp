#pragma once
// The verdict over the whole analysis window: its own t at every index, from
// the takes' exact sums with each set's variance floored at 1/12 LSB^2, the
// exact p-values and the Benjamini-Hochberg count from that t, the clusters of
// the observed comparison with their permutation p-values, and whether the
// sets differ, from plain inputs.

#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/critical_values.hpp"
#include "verdict/permutation_test.hpp"

namespace trellmark {

enum class VerdictOutcome {
    differ,       // some cluster has a permutation p below alpha
    doNotDiffer,  // the sets do not differ detectably: no cluster, or none with p < alpha
    cannotTell,   // no test was possible, the design cannot reach alpha, or the
                  // permutation test did not run; see reason
};

struct ClusterVerdict {
    std::int64_t first = 0;  // first index of the cluster in the window
    std::int64_t last = 0;   // last index (inclusive)
    double mass = 0;         // sum of the verdict's t over first .. last
    std::int64_t size = 0;   // indices first .. last
    // Permutation p-value and its 95 % Monte Carlo interval ([p, p] when
    // exact); NaN when the permutation test did not run.
    double p = 0;
    double pLow = 0;
    double pHigh = 0;
    // Mean of mR - mC over the cluster in LSB, and its size in dB against the
    // RMS of the reference mean over the cluster (+infinity where that is 0).
    double meanDifference = 0;
    double differenceDecibels = 0;
    int channel = 0;  // the channel whose window it lies in, from 0
};

struct Verdict {
    VerdictOutcome outcome = VerdictOutcome::cannotTell;
    // Why the outcome is cannotTell, as a sentence; empty otherwise.
    std::string reason;
    double alpha = 0;  // 0.05 at 95 %, 0.01 at 99 %; 0 at any other level; half that when halved
    bool alphaHalved = false;  // made at alpha / 2, beside a second verdict at alpha / 2
    double expectedByChance =
        0;                      // alpha * length: significant indices expected without a difference
    std::int64_t fdrCount = 0;  // indices kept by Benjamini-Hochberg at q = alpha
    std::int64_t permutations = 0;  // splits in the null distribution; 0 when it was not computed
    bool exact = false;             // every split enumerated
    std::uint64_t seed = 0;         // the seed the random splits were drawn with
    // The smallest p any cluster could have with these sets and splits; NaN
    // when no permutation test applies. At or above alpha no test is made:
    // the outcome is cannotTell.
    double smallestPossibleP = std::numeric_limits<double>::quiet_NaN();
    ClusterStatistic statistic = ClusterStatistic::mass;  // what the clusters' p compare
    std::vector<ClusterVerdict> clusters;                 // in index order

    // Per index 0 .. length - 1, for a table of the window and the figure:
    std::vector<double> t;                  // the verdict's t; NaN when nothing is tested
    std::vector<std::uint8_t> significant;  // 1 where the verdict's t is beyond its critical value
    std::vector<double> p;                  // exact two-sided p of t; NaN when nothing is tested
    std::vector<double> degreesOfFreedom;   // df behind p; NaN where none was used
    std::vector<std::uint8_t> fdrKept;      // 1 where Benjamini-Hochberg keeps the index
    std::vector<std::int32_t> clusterOf;    // 1-based number in clusters; 0 outside every cluster
};

// Everything the verdict is computed from. Views into the caller's data,
// which must outlive the call; nothing is kept afterwards.
struct VerdictInput {
    // Both sets' per-index means and standard deviations (denominator n - 1),
    // in LSB at the reference level, at least `length` entries each. The
    // verdict's t comes from them only where takeValues is empty.
    std::span<const double> referenceMean;
    std::span<const double> referenceStdDev;
    std::span<const double> comparisonMean;
    std::span<const double> comparisonStdDev;
    int referenceTakes = 0;
    int comparisonTakes = 0;
    // Every take's scaled window as whole LSB, reference takes first, take-major:
    // (referenceTakes + comparisonTakes) * length entries. May be empty when
    // the permutation test is skipped.
    std::span<const std::int64_t> takeValues;
    std::int64_t length = 0;                     // analysed indices 0 .. length - 1
    TestLevel level = TestLevel::none;           // none tests nothing
    const CriticalValueTable* tables = nullptr;  // the program's table; required
    PermutationOptions options;
    // Non-empty: the permutation test is not run and this says why (for
    // example that it does not fit in memory).
    std::string_view skipPermutationTest;
    // The clusters are judged at alpha / 2, since a second test (the
    // spectrum's) shares the run's alpha. The indices are still tested at the
    // confidence level.
    bool halveAlpha = false;
};

// Settles `verdict` where no permutation test can decide it: none asked for
// (no clusters: the sets do not differ; else it cannot tell), or a design
// whose smallest possible p is not below verdict.alpha (it cannot tell, and
// says why). False when so settled; otherwise sets verdict.smallestPossibleP.
bool permutationTestCanDecide(Verdict& verdict, int referenceTakes, int comparisonTakes,
                              std::int64_t permutations, TestLevel level);

// The smallest cluster p the permutation test can give: 2 / C(nR + nC, nR)
// for equal sizes (a split and its mirror are as strong) and 1 / C(nR + nC, nR)
// otherwise when every split is enumerated (C <= permutations), else
// 1 / (permutations + 1). REQUIRES: nR, nC >= 1, permutations >= 1.
double smallestPossibleP(int referenceTakes, int comparisonTakes, std::int64_t permutations);

// Empty when the permutation test can give a p below alpha; otherwise why not,
// as a clause such as "with 3 and 3 takes the smallest possible p is 0.1; at
// least 4 and 4 are needed at 95 per cent". REQUIRES: level not none,
// nR, nC >= 2, permutations >= 1.
std::string unreachableAlpha(int referenceTakes, int comparisonTakes, std::int64_t permutations,
                             TestLevel level);

// The same for a verdict made at `alpha`, alphaOf(level) or less; when
// less, the clause ends "at α/2 of 95 per cent".
std::string unreachableAlphaAt(int referenceTakes, int comparisonTakes, std::int64_t permutations,
                               TestLevel level, double alpha);

// Bytes computeVerdict needs at its peak for the given takes, length and
// options, counting the takeValues array the caller makes for it, so the
// caller can ask before making it. Saturates at 2^64 - 1.
std::uint64_t verdictBytes(int takes, std::int64_t length, const PermutationOptions& options);

Verdict computeVerdict(const VerdictInput& input);

}  // namespace trellmark
