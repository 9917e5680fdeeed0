// The verdict across channels against verdicts of one channel: a channel that
// repeats another, or is silent, adds no split stronger than the other's, so
// the p-values must be that channel's own to the bit; a difference in one
// channel only shows in that channel's part.

#include "verdict/channel_verdicts.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "support/verdict_sets.hpp"
#include "verdict/run_verdict.hpp"

namespace trellmark {
namespace {

constexpr int takesPerSet = 5;  // 252 splits, every one enumerated
constexpr std::int64_t windowLength = 64;

// Noise in every take; `planted` added to the comparison takes over [from, to).
std::vector<std::int64_t> takeWindows(std::uint32_t seed, std::int64_t planted,
                                      std::int64_t from = 20, std::int64_t to = 36) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-40, 40);
    std::vector<std::int64_t> values;
    for (int take = 0; take < 2 * takesPerSet; ++take) {
        for (std::int64_t j = 0; j < windowLength; ++j) {
            const bool shifted = take >= takesPerSet && j >= from && j < to;
            values.push_back(1000 + noise(random) + (shifted ? planted : 0));
        }
    }
    return values;
}

RunResults runOf(const std::vector<std::int64_t>& values, int channel) {
    const CriticalValueTable tables = buildCriticalValueTables();
    const testing::TakeSets sets =
        testing::makeTakeSets(values, takesPerSet, takesPerSet, 95, tables);
    RunResults run;
    run.parameters.analysisLength = static_cast<std::int32_t>(windowLength);
    run.parameters.confidenceLevel = ConfidenceLevel(95);
    run.parameters.channel = static_cast<std::int16_t>(channel);
    run.referenceStatistics.fileCount = takesPerSet;
    run.comparisonStatistics.fileCount = takesPerSet;
    run.referenceStatistics.mean = sets.referenceMean;
    run.referenceStatistics.stdDev = sets.referenceStdDev;
    run.comparisonStatistics.mean = sets.comparisonMean;
    run.comparisonStatistics.stdDev = sets.comparisonStdDev;
    return run;
}

struct ChannelCase {
    const char* name;
    std::int64_t plantedFirst;   // in channel 1
    std::int64_t plantedSecond;  // in channel 2
    bool secondRepeatsFirst;
    bool secondSilent;
};

TEST(ChannelVerdictsTest, EachChannelKeepsItsOwnFiguresUnderOneNull) {
    const ChannelCase cases[] = {
        {"second repeats first", 60, 0, true, false},
        {"second silent", 60, 0, false, true},
        {"difference in second only", 0, 60, false, false},
    };
    PermutationOptions options;
    options.permutations = 1000;
    options.threads = 1;
    for (const ChannelCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::int64_t> first = takeWindows(7, c.plantedFirst);
        std::vector<std::int64_t> second = takeWindows(8, c.plantedSecond);
        if (c.secondRepeatsFirst) second = first;
        if (c.secondSilent) second.assign(first.size(), 0);
        const std::vector<RunResults> runs = {runOf(first, 0), runOf(second, 1)};
        const std::vector<std::vector<std::int64_t>> windows = {first, second};
        const ChannelVerdicts verdicts = verdictAcrossChannels(runs, windows, options, "");
        ASSERT_EQ(verdicts.channels.size(), 2u);
        EXPECT_EQ(verdicts.across.outcome, VerdictOutcome::differ);
        EXPECT_TRUE(verdicts.across.exact);
        EXPECT_EQ(verdicts.across.permutations, 252);
        EXPECT_TRUE(verdicts.across.t.empty());

        const std::size_t differing = c.plantedFirst > 0 ? 0 : 1;
        const Verdict alone = verdictOfRun(runs[differing], windows[differing], options, "");
        const Verdict& part = verdicts.channels[differing];
        ASSERT_FALSE(alone.clusters.empty());
        ASSERT_EQ(part.clusters.size(), alone.clusters.size());
        for (std::size_t k = 0; k < alone.clusters.size(); ++k) {
            EXPECT_EQ(part.clusters[k].first, alone.clusters[k].first);
            EXPECT_EQ(part.clusters[k].last, alone.clusters[k].last);
            EXPECT_EQ(part.clusters[k].channel, static_cast<int>(differing));
            EXPECT_EQ(part.clusters[k].mass, alone.clusters[k].mass);
            // A repeat or silence holds no stronger split than the channel
            // itself; a noisy other channel may only make p larger.
            if (c.secondRepeatsFirst || c.secondSilent) {
                EXPECT_EQ(part.clusters[k].p, alone.clusters[k].p);
            } else {
                EXPECT_GE(part.clusters[k].p, alone.clusters[k].p);
            }
        }
        EXPECT_EQ(part.t, alone.t);
        EXPECT_EQ(part.clusterOf, alone.clusterOf);
        EXPECT_EQ(part.fdrCount, alone.fdrCount);
        EXPECT_EQ(part.fdrKept, alone.fdrKept);
        EXPECT_DOUBLE_EQ(part.expectedByChance, 0.05 * windowLength);
        EXPECT_DOUBLE_EQ(verdicts.across.expectedByChance, 0.05 * windowLength * 2);

        const std::size_t other = 1 - differing;
        const Verdict& quiet = verdicts.channels[other];
        const bool otherDiffers = c.secondRepeatsFirst;
        for (const ClusterVerdict& cluster : quiet.clusters) {
            EXPECT_EQ(cluster.channel, static_cast<int>(other));
            if (!otherDiffers) {
                EXPECT_GE(cluster.p, 0.05) << cluster.first;
            }
        }
        const std::size_t clusters = part.clusters.size() + quiet.clusters.size();
        EXPECT_EQ(verdicts.across.clusters.size(), clusters);
        const std::int64_t fdr =
            otherDiffers ? 2 * alone.fdrCount : verdicts.across.fdrCount;  // a repeat counts twice
        EXPECT_EQ(verdicts.across.fdrCount, fdr);
    }
}

// A difference that runs to the end of one channel's window and on from the
// start of the next is two clusters, never one across the seam.
TEST(ChannelVerdictsTest, NoClusterRunsFromOneChannelIntoTheNext) {
    const std::vector<std::int64_t> first = takeWindows(7, 400, windowLength - 16, windowLength);
    const std::vector<std::int64_t> second = takeWindows(8, 400, 0, 16);
    const std::vector<RunResults> runs = {runOf(first, 0), runOf(second, 1)};
    const std::vector<std::vector<std::int64_t>> windows = {first, second};
    PermutationOptions options;
    options.threads = 1;
    const ChannelVerdicts verdicts = verdictAcrossChannels(runs, windows, options, "");
    const auto strongest = [](const Verdict& verdict) {
        return *std::min_element(
            verdict.clusters.begin(), verdict.clusters.end(),
            [](const ClusterVerdict& a, const ClusterVerdict& b) { return a.p < b.p; });
    };
    ASSERT_FALSE(verdicts.channels[0].clusters.empty());
    ASSERT_FALSE(verdicts.channels[1].clusters.empty());
    EXPECT_EQ(strongest(verdicts.channels[0]).last, windowLength - 1);
    EXPECT_EQ(strongest(verdicts.channels[1]).first, 0);
    EXPECT_EQ(strongest(verdicts.channels[1]).channel, 1);
    EXPECT_EQ(verdicts.across.outcome, VerdictOutcome::differ);
}

}  // namespace
}  // namespace trellmark
