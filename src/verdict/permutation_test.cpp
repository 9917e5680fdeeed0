#include "verdict/permutation_test.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>

#include "verdict/block_decision.hpp"
#include "verdict/split_draw.hpp"
#include "verdict/split_kernel.hpp"

namespace trellmark {
namespace {

// Splits a thread takes at a time: enough to share the cost of bringing a
// block of takes into the cache, few enough that two threads finish together.
constexpr std::int64_t splitsPerBatch = 64;

int threadsToUse(const PermutationOptions& options) {
    if (options.threads > 0) return options.threads;
    return std::max(1U, std::thread::hardware_concurrency());
}

std::uint64_t magnitude(std::int64_t x) {
    return x < 0 ? 0 - static_cast<std::uint64_t>(x) : static_cast<std::uint64_t>(x);
}

// The narrowest width in which every sum stays exact: the totals reach
// takes * M^2 and each group's numerator n SS - S^2 stays within n^2 M^2, for
// M the largest |value|.
SumWidth widthNeeded(std::span<const std::int64_t> values, int nR, int nC) {
    std::uint64_t largest = 0;
    for (const std::int64_t x : values) largest = std::max(largest, magnitude(x));
    const UInt128 larger = static_cast<UInt128>(std::max(nR, nC));
    const UInt128 factor = std::max(larger * larger, static_cast<UInt128>(nR) + nC);
    const UInt128 square = static_cast<UInt128>(largest) * largest;
    constexpr auto int64Max = static_cast<UInt128>(std::numeric_limits<std::int64_t>::max());
    constexpr UInt128 int128Max = ~static_cast<UInt128>(0) >> 1;
    // Every sum of 16-bit values fits 64 bits for any number of takes the
    // program reads (at most 2 * 32767 of them).
    if (largest <= static_cast<std::uint64_t>(std::numeric_limits<std::int16_t>::max())) {
        return SumWidth::short16;
    }
    if (largest <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) &&
        square <= int64Max / factor) {
        return SumWidth::narrow;
    }
    return square <= int128Max / factor ? SumWidth::wide : SumWidth::widest;
}

struct SplitPlan {
    int takes = 0;
    int groupSize = 0;
    bool groupIsReference = true;
    bool exact = false;
    std::int64_t splits = 0;
    std::uint64_t seed = 0;
    ClusterStatistic statistic = ClusterStatistic::mass;
};

// Fills the groups of splits first .. first + count - 1.
void fillGroups(const SplitPlan& plan, std::int64_t first, std::int64_t count,
                std::vector<std::uint32_t>& groups, std::vector<std::uint32_t>& scratch) {
    const auto k = static_cast<std::size_t>(plan.groupSize);
    for (std::int64_t i = 0; i < count; ++i) {
        const std::span<std::uint32_t> group(groups.data() + i * k, k);
        if (!plan.exact) {
            drawRandomGroup(plan.seed, first + i, scratch, group);
        } else if (i == 0) {
            groupOfRank(plan.takes, first, group);
        } else {
            std::copy_n(group.data() - k, k, group.data());
            nextGroup(plan.takes, group);
        }
    }
}

template <class Width>
bool judgeAllSplits(const PermutationInput& input, const SplitPlan& plan, int threads,
                    bool allowAvx2, const PermutationOptions::Watch& watch,
                    std::vector<double>& maxima) {
    const TakeTable<Width> table = tabulateTakes<Width>(input.takeValues, plan.takes, input.length);
    const IndexTestSetup setup =
        makeIndexTestSetup(input.referenceTakes, input.comparisonTakes, input.level, *input.tables);
    const std::int64_t batches = (plan.splits + splitsPerBatch - 1) / splitsPerBatch;
    std::atomic<std::int64_t> nextBatch{0};
    std::mutex failureLock;
    std::exception_ptr failure;

    std::atomic<std::int64_t> judged{0};
    bool stopped = false;
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastWatched = Clock::now();
    // Only the calling thread asks the watch, between its batches.
    const auto keepGoing = [&](bool caller) {
        if (!caller || !watch) return true;
        const Clock::time_point now = Clock::now();
        if (now - lastWatched < std::chrono::milliseconds(100)) return true;
        lastWatched = now;
        if (watch(judged.load(), plan.splits)) return true;
        stopped = true;
        nextBatch = batches;
        return false;
    };
    if (watch && !watch(0, plan.splits)) return true;

    // Each split's result depends on its number alone, so the batches may be
    // taken in any order by any thread.
    auto work = [&](bool caller) {
        try {
            std::vector<std::uint32_t> groups(splitsPerBatch * plan.groupSize);
            std::vector<std::uint32_t> scratch(plan.takes);
            for (std::int64_t batch = nextBatch++; batch < batches; batch = nextBatch++) {
                const std::int64_t first = batch * splitsPerBatch;
                const std::int64_t count = std::min(splitsPerBatch, plan.splits - first);
                fillGroups(plan, first, count, groups, scratch);
                const SplitBatch job{plan.groupSize,
                                     plan.groupIsReference,
                                     std::span(groups.data(), count * plan.groupSize),
                                     std::span(maxima.data() + first, count),
                                     plan.statistic,
                                     {},
                                     {}};
                judgeSplits(table, setup, job, allowAvx2);
                judged += count;
                if (!keepGoing(caller)) break;
            }
        } catch (...) {
            const std::lock_guard lock(failureLock);
            if (!failure) failure = std::current_exception();
            nextBatch = batches;
        }
    };

    std::vector<std::thread> helpers;
    const int extra = static_cast<int>(std::min<std::int64_t>(threads, batches)) - 1;
    helpers.reserve(std::max(extra, 0));  // no allocation once threads run
    try {
        for (int i = 0; i < extra; ++i) helpers.emplace_back(work, false);
    } catch (const std::system_error&) {
        // Fewer threads only take longer: the batches go to those that started.
    }
    work(true);
    for (std::thread& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
    if (watch && !stopped) watch(plan.splits, plan.splits);
    return stopped;
}

// Means and p-value degrees of freedom of the observed split, from the same
// exact sums the kernel forms: each group's sum rounded once.
template <class Width>
void describeObserved(const TakeTable<Width>& table, int nR, int nC, ObservedSplit& observed) {
    const auto length = static_cast<std::size_t>(table.length);
    observed.referenceMean.resize(length);
    observed.comparisonMean.resize(length);
    observed.degreesOfFreedom.resize(length);
    const double nR1 = static_cast<double>(nR) * (nR - 1);
    const double nC1 = static_cast<double>(nC) * (nC - 1);
    for (std::size_t j = 0; j < length; ++j) {
        typename Width::Sum sumR{};
        typename Width::Square squaresR{};
        for (int take = 0; take < nR; ++take) {
            const typename Width::Value x = table.values[take * table.stride + j];
            sumR += x;
            squaresR += Width::square(x);
        }
        const typename Width::Sum sumC = table.totalSum[j] - sumR;
        const typename Width::Square squaresC = table.totalSquares[j] - squaresR;
        observed.referenceMean[j] = static_cast<double>(sumR) / nR;
        observed.comparisonMean[j] = static_cast<double>(sumC) / nC;
        if (nR == nC) {
            observed.degreesOfFreedom[j] = 2.0 * (nR - 1);
            continue;
        }
        const double a = flooredVariance(Width::numerator(sumR, squaresR, nR), nR1) / nR;
        const double b = flooredVariance(Width::numerator(sumC, squaresC, nC), nC1) / nC;
        observed.degreesOfFreedom[j] = (a + b) * (a + b) / (a * a / (nR - 1) + b * b / (nC - 1));
    }
}

template <class Width>
ObservedSplit judgeObserved(const PermutationInput& input, bool allowAvx2) {
    const int nR = input.referenceTakes;
    const int nC = input.comparisonTakes;
    const TakeTable<Width> table = tabulateTakes<Width>(input.takeValues, nR + nC, input.length);
    const IndexTestSetup setup = makeIndexTestSetup(nR, nC, input.level, *input.tables);
    ObservedSplit observed;
    observed.t.resize(static_cast<std::size_t>(input.length));
    observed.significant.resize(static_cast<std::size_t>(input.length));
    // The split as the permutation test draws it: the smaller set is the group.
    const bool groupIsReference = nR <= nC;
    std::vector<std::uint32_t> group(static_cast<std::size_t>(std::min(nR, nC)));
    for (std::size_t g = 0; g < group.size(); ++g) {
        group[g] = static_cast<std::uint32_t>(groupIsReference ? g : nR + g);
    }
    double largest = 0;
    const SplitBatch batch{static_cast<int>(group.size()),
                           groupIsReference,
                           group,
                           std::span(&largest, 1),
                           ClusterStatistic::mass,
                           observed.t,
                           observed.significant};
    judgeSplits(table, setup, batch, allowAvx2);
    describeObserved(table, nR, nC, observed);
    return observed;
}

}  // namespace

NullDistribution computeNullDistribution(const PermutationInput& input,
                                         const PermutationOptions& options,
                                         const KernelChoice& kernel) {
    SplitPlan plan;
    plan.takes = input.referenceTakes + input.comparisonTakes;
    // Only the smaller group is summed; the other is the totals less it.
    plan.groupIsReference = input.referenceTakes <= input.comparisonTakes;
    plan.groupSize = std::min(input.referenceTakes, input.comparisonTakes);
    // Beyond 2^62 - 1 splits nothing could be enumerated or held anyway.
    const std::int64_t cap = std::min(options.permutations, (std::int64_t{1} << 62) - 1);
    const std::int64_t all = binomialCapped(plan.takes, plan.groupSize, cap);
    plan.exact = all <= cap;
    plan.splits = plan.exact ? all : options.permutations;
    plan.seed = options.seed;
    plan.statistic = options.statistic;

    NullDistribution distribution;
    distribution.exact = plan.exact;
    distribution.splits = plan.splits;
    distribution.width = std::max(
        kernel.width, widthNeeded(input.takeValues, input.referenceTakes, input.comparisonTakes));
    std::vector<double>& maxima = distribution.sortedMaxima;
    maxima.assign(plan.splits, 0.0);
    const int threads = threadsToUse(options);
    switch (distribution.width) {
        case SumWidth::automatic:
        case SumWidth::short16:
            distribution.stopped = judgeAllSplits<ShortSums>(input, plan, threads, kernel.allowAvx2,
                                                             options.watch, maxima);
            break;
        case SumWidth::narrow:
            distribution.stopped = judgeAllSplits<NarrowSums>(
                input, plan, threads, kernel.allowAvx2, options.watch, maxima);
            break;
        case SumWidth::wide:
            distribution.stopped = judgeAllSplits<WideSums>(input, plan, threads, kernel.allowAvx2,
                                                            options.watch, maxima);
            break;
        case SumWidth::widest:
            distribution.stopped = judgeAllSplits<WidestSums>(
                input, plan, threads, kernel.allowAvx2, options.watch, maxima);
            break;
    }
    std::sort(maxima.begin(), maxima.end());
    return distribution;
}

ObservedSplit judgeObservedSplit(const PermutationInput& input, const KernelChoice& kernel) {
    switch (std::max(kernel.width,
                     widthNeeded(input.takeValues, input.referenceTakes, input.comparisonTakes))) {
        case SumWidth::automatic:
        case SumWidth::short16:
            return judgeObserved<ShortSums>(input, kernel.allowAvx2);
        case SumWidth::narrow:
            return judgeObserved<NarrowSums>(input, kernel.allowAvx2);
        case SumWidth::wide:
            return judgeObserved<WideSums>(input, kernel.allowAvx2);
        case SumWidth::widest:
            break;
    }
    return judgeObserved<WidestSums>(input, kernel.allowAvx2);
}

double clusterPValue(const NullDistribution& distribution, double strength) {
    const double size = std::fabs(strength);
    if (std::isnan(size) || distribution.splits < 1)
        return std::numeric_limits<double>::quiet_NaN();
    const std::vector<double>& maxima = distribution.sortedMaxima;
    const auto atLeast =
        static_cast<double>(maxima.end() - std::lower_bound(maxima.begin(), maxima.end(), size));
    const auto splits = static_cast<double>(distribution.splits);
    return distribution.exact ? atLeast / splits : (1 + atLeast) / (splits + 1);
}

PValueInterval clusterPValueInterval(const NullDistribution& distribution, double p) {
    if (distribution.exact) return {p, p};
    const double half = 1.96 * std::sqrt(p * (1 - p) / static_cast<double>(distribution.splits));
    return {std::max(0.0, p - half), std::min(1.0, p + half)};
}

std::uint64_t permutationTestBytes(int takes, std::int64_t length,
                                   const PermutationOptions& options) {
    using Wide = UInt128;
    const Wide n = static_cast<Wide>(std::max(takes, 0));
    const Wide indices = static_cast<Wide>(std::max<std::int64_t>(length, 0)) + 16;
    const Wide splits = static_cast<Wide>(std::max<std::int64_t>(options.permutations, 0));
    const Wide threads = static_cast<Wide>(threadsToUse(options));
    const Wide caller = n * indices * sizeof(std::int64_t);
    const Wide table = (n + 1) * indices * sizeof(WidestSums::Value) +
                       indices * (sizeof(WidestSums::Sum) + sizeof(WidestSums::Square));
    const Wide perThread = (splitsPerBatch + 1) * n * sizeof(std::uint32_t) +
                           judgeSplitsBytes(std::max(takes, 0), splitsPerBatch);
    const Wide total = caller + table + splits * sizeof(double) + threads * perThread;
    constexpr Wide most = std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(std::min(total, most));
}

}  // namespace trellmark
