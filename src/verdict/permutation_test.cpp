#include "verdict/permutation_test.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>

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
    ClusterStatistic statistic = ClusterStatistic::size;
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
void judgeAllSplits(const PermutationInput& input, const SplitPlan& plan, int threads,
                    bool allowAvx2, std::vector<double>& maxima) {
    const TakeTable<Width> table = tabulateTakes<Width>(input.takeValues, plan.takes, input.length);
    const IndexTestSetup setup = makeIndexTestSetup(input.referenceTakes, input.comparisonTakes,
                                                    input.confidence, *input.tables);
    const std::int64_t batches = (plan.splits + splitsPerBatch - 1) / splitsPerBatch;
    std::atomic<std::int64_t> nextBatch{0};
    std::mutex failureLock;
    std::exception_ptr failure;

    // Each split's result depends on its number alone, so the batches may be
    // taken in any order by any thread.
    auto work = [&] {
        try {
            std::vector<std::uint32_t> groups(splitsPerBatch * plan.groupSize);
            std::vector<std::uint32_t> scratch(plan.takes);
            for (std::int64_t batch = nextBatch++; batch < batches; batch = nextBatch++) {
                const std::int64_t first = batch * splitsPerBatch;
                const std::int64_t count = std::min(splitsPerBatch, plan.splits - first);
                fillGroups(plan, first, count, groups, scratch);
                const SplitBatch job{plan.groupSize, plan.groupIsReference,
                                     std::span(groups.data(), count * plan.groupSize),
                                     std::span(maxima.data() + first, count), plan.statistic};
                judgeSplits(table, setup, job, allowAvx2);
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
        for (int i = 0; i < extra; ++i) helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads only take longer: the batches go to those that started.
    }
    work();
    for (std::thread& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
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
            judgeAllSplits<ShortSums>(input, plan, threads, kernel.allowAvx2, maxima);
            break;
        case SumWidth::narrow:
            judgeAllSplits<NarrowSums>(input, plan, threads, kernel.allowAvx2, maxima);
            break;
        case SumWidth::wide:
            judgeAllSplits<WideSums>(input, plan, threads, kernel.allowAvx2, maxima);
            break;
        case SumWidth::widest:
            judgeAllSplits<WidestSums>(input, plan, threads, kernel.allowAvx2, maxima);
            break;
    }
    if (plan.exact) {
        // The observed split is rank 0 when the reference takes (numbered
        // first) form the group, the last rank when the comparison takes do.
        const std::int64_t observed = plan.groupIsReference ? 0 : plan.splits - 1;
        maxima[observed] = std::numeric_limits<double>::infinity();
    }
    std::sort(maxima.begin(), maxima.end());
    return distribution;
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
