#include "verdict/verdict.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

#include "analysis/index_test.hpp"
#include "verdict/block_decision.hpp"
#include "verdict/clusters.hpp"
#include "verdict/false_discovery.hpp"
#include "verdict/p_values.hpp"
#include "verdict/split_draw.hpp"

namespace trellmark {
namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// Bytes per index of the verdict's own arrays: t, the decision, p, df, the
// kept mask, the cluster numbers; while it is formed both means, the
// differences and the sorted copy of p.
constexpr std::uint64_t verdictBytesPerIndex = 8 + 1 + 8 + 8 + 1 + 4 + 8 + 8 + 8 + 8;

// Beyond this many splits nothing could be enumerated or held anyway.
constexpr std::int64_t splitCap = (std::int64_t{1} << 62) - 1;

template <class T>
std::span<const T> firstOf(std::span<const T> values, std::int64_t length) {
    return values.first(static_cast<std::size_t>(length));
}

bool covers(const VerdictInput& input) {
    const auto length = static_cast<std::size_t>(input.length);
    return input.referenceMean.size() >= length && input.referenceStdDev.size() >= length &&
           input.comparisonMean.size() >= length && input.comparisonStdDev.size() >= length;
}

bool holdsEveryTake(const VerdictInput& input) {
    const auto takes = static_cast<std::uint64_t>(input.referenceTakes + input.comparisonTakes);
    const auto length = static_cast<std::uint64_t>(input.length);
    return length == 0 ||
           (input.takeValues.size() / length == takes && input.takeValues.size() % length == 0);
}

PermutationInput permutationInputOf(const VerdictInput& input) {
    return {input.takeValues, input.referenceTakes, input.comparisonTakes,
            input.length,     input.level,          input.tables};
}

// The verdict's t where the takes themselves are not at hand: from the sets'
// means and standard deviations, floored as the exact sums are.
ObservedSplit observedFromStatistics(const VerdictInput& input) {
    const int nR = input.referenceTakes;
    const int nC = input.comparisonTakes;
    const IndexTestSetup setup = makeIndexTestSetup(nR, nC, input.level, *input.tables);
    const auto length = static_cast<std::size_t>(input.length);
    ObservedSplit observed;
    observed.referenceMean.assign(input.referenceMean.begin(),
                                  input.referenceMean.begin() + input.length);
    observed.comparisonMean.assign(input.comparisonMean.begin(),
                                   input.comparisonMean.begin() + input.length);
    observed.t.resize(length);
    observed.significant.resize(length);
    observed.degreesOfFreedom.resize(length);
    for (std::size_t j = 0; j < length; ++j) {
        const double sR = input.referenceStdDev[j];
        const double sC = input.comparisonStdDev[j];
        const double vR = std::max(sR * sR, varianceFloor);
        const double vC = std::max(sC * sC, varianceFloor);
        const IndexTestOutcome outcome =
            verdictIndexTest(setup, observed.referenceMean[j], observed.comparisonMean[j], vR, vC);
        observed.t[j] = outcome.t;
        observed.significant[j] = outcome.significant ? 1 : 0;
        const double a = vR / nR;
        const double b = vC / nC;
        observed.degreesOfFreedom[j] =
            nR == nC ? 2.0 * (nR - 1) : (a + b) * (a + b) / (a * a / (nR - 1) + b * b / (nC - 1));
    }
    return observed;
}

void describeClusters(const ObservedSplit& observed, Verdict& verdict) {
    std::vector<double> difference(observed.t.size());
    for (std::size_t j = 0; j < difference.size(); ++j) {
        difference[j] = observed.referenceMean[j] - observed.comparisonMean[j];
    }
    const std::vector<Cluster> clusters =
        findClusters(observed.t, observed.significant, difference);
    verdict.clusterOf.assign(difference.size(), 0);
    for (std::size_t k = 0; k < clusters.size(); ++k) {
        const Cluster& cluster = clusters[k];
        double differenceSum = 0;
        double referencePower = 0;
        for (std::int64_t j = cluster.first; j <= cluster.last; ++j) {
            differenceSum += difference[j];
            referencePower += observed.referenceMean[j] * observed.referenceMean[j];
        }
        const double size = static_cast<double>(cluster.last - cluster.first + 1);
        const double meanDifference = differenceSum / size;
        const double rms = std::sqrt(referencePower / size);
        ClusterVerdict entry;
        entry.first = cluster.first;
        entry.last = cluster.last;
        entry.mass = cluster.mass;
        entry.size = cluster.last - cluster.first + 1;
        entry.meanDifference = meanDifference;
        entry.differenceDecibels = rms > 0 ? 20 * std::log10(std::fabs(meanDifference) / rms)
                                           : std::numeric_limits<double>::infinity();
        entry.p = entry.pLow = entry.pHigh = notANumber;
        verdict.clusters.push_back(entry);
        std::fill(verdict.clusterOf.begin() + cluster.first,
                  verdict.clusterOf.begin() + cluster.last + 1, static_cast<std::int32_t>(k + 1));
    }
}

// Runs the permutation test and gives every cluster its p-value; returns the
// reason when it cannot run.
std::string testClusters(const VerdictInput& input, Verdict& verdict) {
    if (!input.skipPermutationTest.empty()) {
        return "The permutation test was skipped: " + std::string(input.skipPermutationTest);
    }
    if (!holdsEveryTake(input)) {
        return "The permutation test was skipped: the takes' values do not match the set sizes "
               "and the length.";
    }
    NullDistribution distribution;
    try {
        distribution = computeNullDistribution(permutationInputOf(input), input.options);
    } catch (const std::bad_alloc&) {
        return "The permutation test was skipped: not enough memory.";
    } catch (const std::length_error&) {
        return "The permutation test was skipped: not enough memory.";
    }
    if (distribution.stopped) return "Not tested: stopped.";
    verdict.permutations = distribution.splits;
    verdict.exact = distribution.exact;
    for (ClusterVerdict& cluster : verdict.clusters) {
        cluster.p = clusterPValue(distribution, input.options.statistic == ClusterStatistic::size
                                                    ? static_cast<double>(cluster.size)
                                                    : cluster.mass);
        const PValueInterval interval = clusterPValueInterval(distribution, cluster.p);
        cluster.pLow = interval.low;
        cluster.pHigh = interval.high;
    }
    return {};
}

// p as the verdict lines show it: three significant digits.
std::string shortP(double p) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", p);
    return text;
}

// The fewest random splits N with 1 / (N + 1) below alpha.
std::int64_t splitsNeeded(double alpha) {
    auto splits = static_cast<std::int64_t>(std::floor(1 / alpha));
    while (1 / (static_cast<double>(splits) + 1) >= alpha) ++splits;
    return splits;
}

// Takes the smaller set needs, beside the larger one, for the design to reach
// alpha; the larger's count again when even equal sets do not reach it.
int smallerSetNeeded(int smaller, int larger, std::int64_t permutations, double alpha) {
    for (int m = smaller; m <= larger; ++m) {
        if (smallestPossibleP(m, larger, permutations) < alpha) return m;
    }
    return larger;
}

}  // namespace

bool permutationTestCanDecide(Verdict& verdict, int referenceTakes, int comparisonTakes,
                              std::int64_t permutations, TestLevel level) {
    if (permutations < 1) {
        if (verdict.clusters.empty()) {
            verdict.outcome = VerdictOutcome::doNotDiffer;
        } else {
            verdict.reason = "The permutation test was skipped: no permutations were asked for.";
        }
        return false;
    }
    verdict.smallestPossibleP = smallestPossibleP(referenceTakes, comparisonTakes, permutations);
    const std::string unreachable =
        unreachableAlphaAt(referenceTakes, comparisonTakes, permutations, level, verdict.alpha);
    if (!unreachable.empty()) {
        verdict.reason = unreachable + ".";
        verdict.reason.front() = 'W';  // the clause begins "with"
        return false;
    }
    return true;
}

double smallestPossibleP(int referenceTakes, int comparisonTakes, std::int64_t permutations) {
    const std::int64_t cap = std::min(permutations, splitCap);
    const std::int64_t all = binomialCapped(referenceTakes + comparisonTakes,
                                            std::min(referenceTakes, comparisonTakes), cap);
    if (all > cap) return 1 / (static_cast<double>(permutations) + 1);
    return (referenceTakes == comparisonTakes ? 2.0 : 1.0) / static_cast<double>(all);
}

std::string unreachableAlpha(int referenceTakes, int comparisonTakes, std::int64_t permutations,
                             TestLevel level) {
    return unreachableAlphaAt(referenceTakes, comparisonTakes, permutations, level, alphaOf(level));
}

std::string unreachableAlphaAt(int referenceTakes, int comparisonTakes, std::int64_t permutations,
                               TestLevel level, double alpha) {
    const double smallest = smallestPossibleP(referenceTakes, comparisonTakes, permutations);
    if (smallest < alpha) return {};
    const std::string atLevel = (alpha < alphaOf(level) ? " at α/2 of " : " at ") +
                                std::to_string(percentOf(level)) + " per cent";
    std::string clause = "with " + std::to_string(referenceTakes) + " and " +
                         std::to_string(comparisonTakes) + " takes ";
    const std::int64_t all =
        binomialCapped(referenceTakes + comparisonTakes, std::min(referenceTakes, comparisonTakes),
                       std::min(permutations, splitCap));
    if (all > permutations) {
        // Random splits: more of them would do, (N + 1) alpha > 1.
        return clause + "and " + std::to_string(permutations) +
               " random splits the smallest possible p is " + shortP(smallest) + "; at least " +
               std::to_string(splitsNeeded(alpha)) + " splits are needed" + atLevel;
    }
    if (permutations < splitsNeeded(alpha)) {
        // More takes alone would only trade the enumeration for too few splits.
        return clause + "the smallest possible p is " + shortP(smallest) +
               "; more takes and at least " + std::to_string(splitsNeeded(alpha)) +
               " splits are needed" + atLevel;
    }
    // Every split is enumerated: the smaller set grows first, then both.
    const int smaller = std::min(referenceTakes, comparisonTakes);
    int larger = std::max(referenceTakes, comparisonTakes);
    int grown = smallerSetNeeded(smaller, larger, permutations, alpha);
    while (smallestPossibleP(grown, larger, permutations) >= alpha) {
        grown = ++larger;
    }
    const bool referenceSmaller = referenceTakes <= comparisonTakes;
    const int neededReference = referenceSmaller ? grown : larger;
    const int neededComparison = referenceSmaller ? larger : grown;
    return clause + "the smallest possible p is " + shortP(smallest) + "; at least " +
           std::to_string(neededReference) + " and " + std::to_string(neededComparison) +
           " are needed" + atLevel;
}

std::uint64_t verdictBytes(int takes, std::int64_t length, const PermutationOptions& options) {
    const std::uint64_t test = permutationTestBytes(takes, length, options);
    const auto indices = static_cast<std::uint64_t>(std::max<std::int64_t>(length, 0));
    const std::uint64_t own =
        indices > std::numeric_limits<std::uint64_t>::max() / verdictBytesPerIndex
            ? std::numeric_limits<std::uint64_t>::max()
            : indices * verdictBytesPerIndex;
    return own > std::numeric_limits<std::uint64_t>::max() - test
               ? std::numeric_limits<std::uint64_t>::max()
               : test + own;
}

Verdict computeVerdict(const VerdictInput& input) {
    Verdict verdict;
    verdict.seed = input.options.seed;
    verdict.statistic = input.options.statistic;
    verdict.alpha = alphaOf(input.level);
    verdict.smallestPossibleP = notANumber;
    // The indices' level and the false discovery rate stay at the full
    // alpha; only the clusters' p must clear the halved one.
    const double levelAlpha = verdict.alpha;
    if (input.halveAlpha) {
        verdict.alpha /= 2;
        verdict.alphaHalved = true;
    }
    const std::int64_t length = std::max<std::int64_t>(input.length, 0);
    const auto indices = static_cast<std::size_t>(length);
    VerdictInput in = input;
    in.length = length;
    verdict.t.assign(indices, notANumber);
    verdict.significant.assign(indices, 0);
    verdict.p.assign(indices, notANumber);
    verdict.degreesOfFreedom.assign(indices, notANumber);
    verdict.fdrKept.assign(indices, 0);
    verdict.clusterOf.assign(indices, 0);
    if (in.tables == nullptr) {
        verdict.reason = "No table of critical values was given.";
        return verdict;
    }
    if (!covers(in)) {
        verdict.reason = "The statistics given do not cover the analysis window.";
        return verdict;
    }
    if (verdict.alpha == 0) {
        verdict.reason = "Only the 95 and 99 per cent levels have a test.";
        return verdict;
    }
    if (in.referenceTakes < 2 || in.comparisonTakes < 2) {
        verdict.reason =
            in.referenceTakes < 2
                ? "The reference set has fewer than two takes: it has no scatter to test against."
                : "The comparison set has fewer than two takes: it has no scatter to test against.";
        return verdict;
    }
    // The takes' exact sums where they are at hand, so that the observed
    // split is judged to the bit as the permuted ones are.
    ObservedSplit observed;
    bool judged = false;
    if (!in.takeValues.empty() && holdsEveryTake(in)) {
        try {
            observed = judgeObservedSplit(permutationInputOf(in));
            judged = true;
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {
        }
    }
    if (!judged) observed = observedFromStatistics(in);
    for (std::size_t j = 0; j < indices; ++j) {
        verdict.p[j] = twoSidedPValue(observed.t[j], observed.degreesOfFreedom[j]);
    }
    verdict.degreesOfFreedom = observed.degreesOfFreedom;
    describeClusters(observed, verdict);
    verdict.t = std::move(observed.t);
    verdict.significant = std::move(observed.significant);

    verdict.expectedByChance = levelAlpha * static_cast<double>(length);
    FalseDiscoveryResult fdr = benjaminiHochberg(verdict.p, levelAlpha);
    verdict.fdrCount = fdr.keptCount;
    verdict.fdrKept = std::move(fdr.kept);

    if (!permutationTestCanDecide(verdict, in.referenceTakes, in.comparisonTakes,
                                  in.options.permutations, in.level)) {
        return verdict;
    }
    // Without a cluster no split can beat one: nothing to permute.
    if (verdict.clusters.empty()) {
        verdict.outcome = VerdictOutcome::doNotDiffer;
        return verdict;
    }
    verdict.reason = testClusters(in, verdict);
    if (!verdict.reason.empty()) return verdict;
    const bool anyBelowAlpha =
        std::any_of(verdict.clusters.begin(), verdict.clusters.end(),
                    [&](const ClusterVerdict& cluster) { return cluster.p < verdict.alpha; });
    verdict.outcome = anyBelowAlpha ? VerdictOutcome::differ : VerdictOutcome::doNotDiffer;
    return verdict;
}

}  // namespace trellmark
