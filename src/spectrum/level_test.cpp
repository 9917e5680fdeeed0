#include "spectrum/level_test.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>

#include "analysis/index_test.hpp"
#include "verdict/block_decision.hpp"
#include "verdict/cluster_run.hpp"
#include "verdict/clusters.hpp"
#include "verdict/split_draw.hpp"

namespace trellmark {
namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// A group's sums over its takes, per bin.
struct GroupSums {
    std::vector<double> sum;
    std::vector<double> squares;
    int count = 0;
};

// Sums the marked (or unmarked) takes' levels, in take order.
void sumGroup(const LevelTestInput& input, std::span<const std::uint8_t> inGroup, std::uint8_t mark,
              GroupSums& sums) {
    const auto bins = static_cast<std::size_t>(input.bins);
    sums.sum.assign(bins, 0.0);
    sums.squares.assign(bins, 0.0);
    sums.count = 0;
    double* sum = sums.sum.data();
    double* squares = sums.squares.data();
    for (std::size_t take = 0; take < inGroup.size(); ++take) {
        if (inGroup[take] != mark) continue;
        ++sums.count;
        const double* x = input.levels.data() + take * bins;
        for (std::size_t k = 0; k < bins; ++k) {
            sum[k] += x[k];
            squares[k] += x[k] * x[k];
        }
    }
}

double groupVariance(const GroupSums& sums, std::size_t k) {
    const double n = sums.count;
    const double numerator = sums.squares[k] - sums.sum[k] * sums.sum[k] / n;
    return std::max(numerator / (n - 1), levelVarianceFloor);
}

struct SplitPlan {
    int takes = 0;
    int groupSize = 0;
    bool groupIsReference = true;
    bool exact = false;
    std::int64_t splits = 0;
};

SplitPlan planSplits(const LevelTestInput& input) {
    SplitPlan plan;
    plan.takes = input.referenceTakes + input.comparisonTakes;
    plan.groupIsReference = input.referenceTakes <= input.comparisonTakes;
    plan.groupSize = std::min(input.referenceTakes, input.comparisonTakes);
    const std::int64_t cap = std::min(input.options.permutations, (std::int64_t{1} << 62) - 1);
    const std::int64_t all = binomialCapped(plan.takes, plan.groupSize, cap);
    plan.exact = all <= cap;
    plan.splits = plan.exact ? all : input.options.permutations;
    return plan;
}

int threadsToUse(const PermutationOptions& options) {
    if (options.threads > 0) return options.threads;
    return static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
}

// The largest statistic of every split, ascending, with the same splits the
// time-domain verdict draws: split i's group depends on i alone.
std::vector<double> nullMaxima(const LevelTestInput& input, const SplitPlan& plan) {
    std::vector<double> maxima(static_cast<std::size_t>(plan.splits), 0.0);
    constexpr std::int64_t perBatch = 16;
    const std::int64_t batches = (plan.splits + perBatch - 1) / perBatch;
    std::atomic<std::int64_t> nextBatch{0};
    std::mutex failureLock;
    std::exception_ptr failure;
    auto work = [&] {
        try {
            const auto k = static_cast<std::size_t>(plan.groupSize);
            std::vector<std::uint32_t> group(k);
            std::vector<std::uint32_t> scratch(static_cast<std::size_t>(plan.takes));
            std::vector<std::uint8_t> inGroup(static_cast<std::size_t>(plan.takes));
            for (std::int64_t batch = nextBatch++; batch < batches; batch = nextBatch++) {
                const std::int64_t first = batch * perBatch;
                const std::int64_t last = std::min(plan.splits, first + perBatch);
                for (std::int64_t split = first; split < last; ++split) {
                    if (!plan.exact) {
                        drawRandomGroup(input.options.seed, split, scratch, group);
                    } else if (split == first) {
                        groupOfRank(plan.takes, split, group);
                    } else {
                        nextGroup(plan.takes, group);
                    }
                    std::fill(inGroup.begin(), inGroup.end(), 0);
                    for (const std::uint32_t take : group) inGroup[take] = 1;
                    maxima[split] = judgeLevelSplit(input, inGroup, plan.groupIsReference, {}, {});
                }
            }
        } catch (...) {
            const std::lock_guard lock(failureLock);
            if (!failure) failure = std::current_exception();
            nextBatch = batches;
        }
    };
    std::vector<std::thread> helpers;
    const int extra =
        static_cast<int>(std::min<std::int64_t>(threadsToUse(input.options), batches)) - 1;
    try {
        for (int i = 0; i < extra; ++i) helpers.emplace_back(work);
    } catch (const std::system_error&) {
    }
    work();
    for (std::thread& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
    std::sort(maxima.begin(), maxima.end());
    return maxima;
}

std::vector<std::uint8_t> observedGroup(const LevelTestInput& input) {
    const bool groupIsReference = input.referenceTakes <= input.comparisonTakes;
    std::vector<std::uint8_t> inGroup(
        static_cast<std::size_t>(input.referenceTakes + input.comparisonTakes), 0);
    for (int take = 0; take < input.referenceTakes + input.comparisonTakes; ++take) {
        inGroup[take] = (take < input.referenceTakes) == groupIsReference ? 1 : 0;
    }
    return inGroup;
}

// Mean of the reference levels less the comparison's, per bin.
std::vector<double> meanDifferences(const LevelTestInput& input) {
    std::vector<std::uint8_t> isReference(
        static_cast<std::size_t>(input.referenceTakes + input.comparisonTakes), 0);
    std::fill_n(isReference.begin(), input.referenceTakes, 1);
    GroupSums reference;
    GroupSums comparison;
    sumGroup(input, isReference, 1, reference);
    sumGroup(input, isReference, 0, comparison);
    std::vector<double> difference(static_cast<std::size_t>(input.bins));
    for (std::size_t k = 0; k < difference.size(); ++k) {
        difference[k] = reference.sum[k] / reference.count - comparison.sum[k] / comparison.count;
    }
    return difference;
}

}  // namespace

double judgeLevelSplit(const LevelTestInput& input, std::span<const std::uint8_t> inGroup,
                       bool groupIsReference, std::span<double> t,
                       std::span<std::uint8_t> significant) {
    GroupSums group;
    GroupSums other;
    sumGroup(input, inGroup, 1, group);
    sumGroup(input, inGroup, 0, other);
    const GroupSums& reference = groupIsReference ? group : other;
    const GroupSums& comparison = groupIsReference ? other : group;
    const IndexTestSetup setup =
        makeIndexTestSetup(input.referenceTakes, input.comparisonTakes, input.level, *input.tables);
    const bool countBins = input.options.statistic == ClusterStatistic::size;
    double largest = 0;
    auto close = [&largest](const OpenCluster& finished) {
        largest = std::max(largest, std::fabs(finished.mass));
    };
    OpenCluster open;
    for (std::size_t k = 0; k < static_cast<std::size_t>(input.bins); ++k) {
        const IndexTestOutcome outcome = verdictIndexTest(
            setup, reference.sum[k] / reference.count, comparison.sum[k] / comparison.count,
            groupVariance(reference, k), groupVariance(comparison, k));
        const int sign = outcome.t > 0 ? 1 : -1;
        stepCluster(open, outcome.significant, sign, countBins ? sign : outcome.t, close);
        if (!t.empty()) t[k] = outcome.t;
        if (!significant.empty()) significant[k] = outcome.significant ? 1 : 0;
    }
    if (open.sign != 0) close(open);
    return largest;
}

Verdict testLevels(const LevelTestInput& input) {
    Verdict verdict;
    verdict.seed = input.options.seed;
    verdict.statistic = input.options.statistic;
    verdict.alpha = input.alpha;
    verdict.alphaHalved = input.alpha < alphaOf(input.level);
    const auto bins = static_cast<std::size_t>(std::max<std::int64_t>(input.bins, 0));
    verdict.t.assign(bins, notANumber);
    verdict.significant.assign(bins, 0);
    verdict.clusterOf.assign(bins, 0);
    if (input.tables == nullptr || !(input.alpha > 0)) {
        verdict.reason = "Only the 95 and 99 per cent levels have a test.";
        return verdict;
    }
    if (input.referenceTakes < 2 || input.comparisonTakes < 2) {
        verdict.reason =
            input.referenceTakes < 2
                ? "The reference set has fewer than two takes: it has no scatter to test against."
                : "The comparison set has fewer than two takes: it has no scatter to test against.";
        return verdict;
    }
    const std::vector<std::uint8_t> inGroup = observedGroup(input);
    judgeLevelSplit(input, inGroup, input.referenceTakes <= input.comparisonTakes, verdict.t,
                    verdict.significant);
    const std::vector<double> difference = meanDifferences(input);
    verdict.expectedByChance = alphaOf(input.level) * static_cast<double>(bins);
    for (const Cluster& cluster : findClusters(verdict.t, verdict.significant, difference)) {
        ClusterVerdict entry;
        entry.first = cluster.first;
        entry.last = cluster.last;
        entry.mass = cluster.mass;
        entry.size = cluster.last - cluster.first + 1;
        double sum = 0;
        for (std::int64_t k = cluster.first; k <= cluster.last; ++k) sum += difference[k];
        entry.meanDifference = sum / static_cast<double>(entry.size);
        entry.differenceDecibels = entry.meanDifference;
        entry.p = entry.pLow = entry.pHigh = notANumber;
        verdict.clusters.push_back(entry);
        std::fill(verdict.clusterOf.begin() + cluster.first,
                  verdict.clusterOf.begin() + cluster.last + 1,
                  static_cast<std::int32_t>(verdict.clusters.size()));
    }
    if (!permutationTestCanDecide(verdict, input.referenceTakes, input.comparisonTakes,
                                  input.options.permutations, input.level)) {
        return verdict;
    }
    if (verdict.clusters.empty()) {
        verdict.outcome = VerdictOutcome::doNotDiffer;
        return verdict;
    }
    const SplitPlan plan = planSplits(input);
    NullDistribution distribution;
    distribution.exact = plan.exact;
    distribution.splits = plan.splits;
    distribution.sortedMaxima = nullMaxima(input, plan);
    verdict.permutations = plan.splits;
    verdict.exact = plan.exact;
    bool anyBelowAlpha = false;
    for (ClusterVerdict& cluster : verdict.clusters) {
        cluster.p = clusterPValue(distribution, verdict.statistic == ClusterStatistic::size
                                                    ? static_cast<double>(cluster.size)
                                                    : cluster.mass);
        const PValueInterval interval = clusterPValueInterval(distribution, cluster.p);
        cluster.pLow = interval.low;
        cluster.pHigh = interval.high;
        anyBelowAlpha = anyBelowAlpha || cluster.p < verdict.alpha;
    }
    verdict.outcome = anyBelowAlpha ? VerdictOutcome::differ : VerdictOutcome::doNotDiffer;
    return verdict;
}

}  // namespace trellmark
