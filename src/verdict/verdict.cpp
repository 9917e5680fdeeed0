#include "verdict/verdict.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

#include "verdict/clusters.hpp"
#include "verdict/false_discovery.hpp"
#include "verdict/p_values.hpp"

namespace trellmark {
namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// Bytes per index of the verdict's own arrays: p, df, the kept mask, the
// cluster numbers, the differences and the sorted copy of p.
constexpr std::uint64_t verdictBytesPerIndex = 8 + 8 + 1 + 4 + 8 + 8;

template <class T>
std::span<const T> firstOf(std::span<const T> values, std::int64_t length) {
    return values.first(static_cast<std::size_t>(length));
}

bool covers(const VerdictInput& input) {
    const auto length = static_cast<std::size_t>(input.length);
    return input.referenceMean.size() >= length && input.referenceStdDev.size() >= length &&
           input.comparisonMean.size() >= length && input.comparisonStdDev.size() >= length &&
           input.observedT.size() >= length && input.observedSignificant.size() >= length;
}

bool holdsEveryTake(const VerdictInput& input) {
    const auto takes = static_cast<std::uint64_t>(input.referenceTakes + input.comparisonTakes);
    const auto length = static_cast<std::uint64_t>(input.length);
    return length == 0 ||
           (input.takeValues.size() / length == takes && input.takeValues.size() % length == 0);
}

void describeClusters(const VerdictInput& input, Verdict& verdict) {
    std::vector<double> difference(static_cast<std::size_t>(input.length));
    for (std::size_t j = 0; j < difference.size(); ++j) {
        difference[j] = input.referenceMean[j] - input.comparisonMean[j];
    }
    const std::vector<Cluster> clusters =
        findClusters(firstOf(input.observedT, input.length),
                     firstOf(input.observedSignificant, input.length), difference);
    verdict.clusterOf.assign(difference.size(), 0);
    for (std::size_t k = 0; k < clusters.size(); ++k) {
        const Cluster& cluster = clusters[k];
        verdict.clusters.push_back({cluster.first, cluster.last, cluster.mass,
                                    cluster.last - cluster.first + 1, notANumber, notANumber,
                                    notANumber});
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
    if (input.options.permutations < 1) {
        return "The permutation test was skipped: no permutations were asked for.";
    }
    if (!holdsEveryTake(input)) {
        return "The permutation test was skipped: the takes' values do not match the set sizes "
               "and the length.";
    }
    const PermutationInput permutationInput{input.takeValues,      input.referenceTakes,
                                            input.comparisonTakes, input.length,
                                            input.confidence,      input.tables};
    NullDistribution distribution;
    try {
        distribution = computeNullDistribution(permutationInput, input.options);
    } catch (const std::bad_alloc&) {
        return "The permutation test was skipped: not enough memory.";
    } catch (const std::length_error&) {
        return "The permutation test was skipped: not enough memory.";
    }
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

}  // namespace

double alphaFor(std::int16_t confidence) {
    if (confidence == 95) return 0.05;
    if (confidence == 99) return 0.01;
    return 0;
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
    verdict.alpha = alphaFor(input.confidence);
    const std::int64_t length = std::max<std::int64_t>(input.length, 0);
    VerdictInput in = input;
    in.length = length;
    if (in.tables == nullptr) {
        verdict.reason = "No table of critical values was given.";
        return verdict;
    }
    if (!covers(in)) {
        verdict.reason = "The statistics given do not cover the analysis window.";
        return verdict;
    }
    IndexPValues pValues =
        exactPValues(firstOf(in.referenceMean, length), firstOf(in.referenceStdDev, length),
                     firstOf(in.comparisonMean, length), firstOf(in.comparisonStdDev, length),
                     in.referenceTakes, in.comparisonTakes);
    verdict.p = std::move(pValues.p);
    verdict.degreesOfFreedom = std::move(pValues.degreesOfFreedom);
    verdict.fdrKept.assign(static_cast<std::size_t>(length), 0);
    describeClusters(in, verdict);

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
    verdict.expectedByChance = verdict.alpha * static_cast<double>(length);
    FalseDiscoveryResult fdr = benjaminiHochberg(verdict.p, verdict.alpha);
    verdict.fdrCount = fdr.keptCount;
    verdict.fdrKept = std::move(fdr.kept);

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
