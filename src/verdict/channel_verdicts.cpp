#include "verdict/channel_verdicts.hpp"

#include <algorithm>

#include "verdict/false_discovery.hpp"
#include "verdict/run_verdict.hpp"

namespace trellmark {
namespace {

// Each channel's window laid end to end, one index of silence after each but
// the last: every take holds 0 there, so its t is 0, no cluster can run from
// one channel into the next, and a split's largest cluster is the largest
// over every channel.
struct EndToEnd {
    std::int64_t length = 0;  // of one channel's window
    std::int64_t stride = 0;  // from one channel's first index to the next's
    std::int64_t total = 0;
    std::vector<double> referenceMean, referenceStdDev, comparisonMean, comparisonStdDev;
    std::vector<std::int64_t> takeValues;
};

void place(std::vector<double>& into, const std::vector<double>& from, std::int64_t at,
           std::int64_t length) {
    const auto count = std::min<std::int64_t>(length, static_cast<std::int64_t>(from.size()));
    std::copy_n(from.begin(), count, into.begin() + at);
}

EndToEnd layEndToEnd(std::span<const RunResults> runs,
                     std::span<const std::vector<std::int64_t>> windows) {
    EndToEnd laid;
    const auto channels = static_cast<std::int64_t>(runs.size());
    laid.length = std::max<std::int64_t>(runs.front().parameters.analysisLength, 0);
    laid.stride = laid.length + 1;
    laid.total = channels * laid.stride - 1;
    const auto total = static_cast<std::size_t>(laid.total);
    for (auto* series : {&laid.referenceMean, &laid.referenceStdDev, &laid.comparisonMean,
                         &laid.comparisonStdDev}) {
        series->assign(total, 0.0);
    }
    for (std::int64_t c = 0; c < channels; ++c) {
        const RunResults& run = runs[static_cast<std::size_t>(c)];
        const std::int64_t at = c * laid.stride;
        place(laid.referenceMean, run.referenceStatistics.mean, at, laid.length);
        place(laid.referenceStdDev, run.referenceStatistics.stdDev, at, laid.length);
        place(laid.comparisonMean, run.comparisonStatistics.mean, at, laid.length);
        place(laid.comparisonStdDev, run.comparisonStatistics.stdDev, at, laid.length);
    }
    const RunResults& first = runs.front();
    const std::int64_t takes =
        first.referenceStatistics.fileCount + first.comparisonStatistics.fileCount;
    const auto holdsEveryTake = [&](const std::vector<std::int64_t>& window) {
        return laid.length > 0 && static_cast<std::int64_t>(window.size()) == takes * laid.length;
    };
    if (!std::all_of(windows.begin(), windows.end(), holdsEveryTake)) return laid;
    laid.takeValues.assign(static_cast<std::size_t>(takes * laid.total), 0);
    for (std::int64_t c = 0; c < channels; ++c) {
        const std::vector<std::int64_t>& window = windows[static_cast<std::size_t>(c)];
        for (std::int64_t take = 0; take < takes; ++take) {
            std::copy_n(window.begin() + take * laid.length, laid.length,
                        laid.takeValues.begin() + take * laid.total + c * laid.stride);
        }
    }
    return laid;
}

// The figures that hold for every channel alike.
Verdict sharedPart(const Verdict& whole) {
    Verdict part;
    part.outcome = whole.outcome;
    part.reason = whole.reason;
    part.alpha = whole.alpha;
    part.alphaHalved = whole.alphaHalved;
    part.permutations = whole.permutations;
    part.exact = whole.exact;
    part.seed = whole.seed;
    part.smallestPossibleP = whole.smallestPossibleP;
    part.statistic = whole.statistic;
    return part;
}

template <class T>
std::vector<T> slice(const std::vector<T>& values, std::int64_t at, std::int64_t length) {
    if (values.empty()) return {};
    return {values.begin() + at, values.begin() + at + length};
}

Verdict channelPart(const Verdict& whole, const EndToEnd& laid, int channel, double levelAlpha) {
    Verdict part = sharedPart(whole);
    const std::int64_t at = channel * laid.stride;
    part.t = slice(whole.t, at, laid.length);
    part.significant = slice(whole.significant, at, laid.length);
    part.p = slice(whole.p, at, laid.length);
    part.degreesOfFreedom = slice(whole.degreesOfFreedom, at, laid.length);
    part.clusterOf.assign(static_cast<std::size_t>(laid.length), 0);
    for (const ClusterVerdict& cluster : whole.clusters) {
        if (cluster.first < at || cluster.first >= at + laid.length) continue;
        ClusterVerdict own = cluster;
        own.channel = channel;
        own.first -= at;
        own.last -= at;
        part.clusters.push_back(own);
        std::fill(part.clusterOf.begin() + own.first, part.clusterOf.begin() + own.last + 1,
                  static_cast<std::int32_t>(part.clusters.size()));
    }
    part.expectedByChance = levelAlpha * static_cast<double>(laid.length);
    FalseDiscoveryResult fdr = benjaminiHochberg(part.p, levelAlpha);
    part.fdrCount = part.p.empty() ? 0 : fdr.keptCount;
    part.fdrKept =
        part.p.empty() ? std::vector<std::uint8_t>(part.t.size(), 0) : std::move(fdr.kept);
    return part;
}

}  // namespace

ChannelVerdicts verdictAcrossChannels(std::span<const RunResults> runs,
                                      std::span<const std::vector<std::int64_t>> windows,
                                      const PermutationOptions& options,
                                      std::string_view skipPermutationTest) {
    const RunResults& first = runs.front();
    const EndToEnd laid = layEndToEnd(runs, windows);
    const CriticalValueTable tables = buildCriticalValueTables();
    // The first channel's takes and level, over every channel's indices.
    VerdictInput input =
        verdictInputOf(first, laid.takeValues, tables, options, skipPermutationTest);
    input.referenceMean = laid.referenceMean;
    input.referenceStdDev = laid.referenceStdDev;
    input.comparisonMean = laid.comparisonMean;
    input.comparisonStdDev = laid.comparisonStdDev;
    input.length = laid.total;
    const Verdict whole = computeVerdict(input);

    const double levelAlpha = alphaOf(input.level);
    ChannelVerdicts verdicts;
    verdicts.across = sharedPart(whole);
    std::vector<double> everyP;
    for (int c = 0; c < static_cast<int>(runs.size()); ++c) {
        Verdict part = channelPart(whole, laid, c, levelAlpha);
        verdicts.across.clusters.insert(verdicts.across.clusters.end(), part.clusters.begin(),
                                        part.clusters.end());
        everyP.insert(everyP.end(), part.p.begin(), part.p.end());
        verdicts.channels.push_back(std::move(part));
    }
    verdicts.across.expectedByChance =
        levelAlpha * static_cast<double>(laid.length) * static_cast<double>(runs.size());
    verdicts.across.fdrCount = everyP.empty() ? 0 : benjaminiHochberg(everyP, levelAlpha).keptCount;
    return verdicts;
}

}  // namespace trellmark
