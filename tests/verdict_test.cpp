#include "verdict/verdict.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "support/verdict_sets.hpp"

namespace trellmark {
namespace {

using testing::makeTakeSets;
using testing::noisyTakes;
using testing::TakeSets;
using testing::verdictInputFor;

class VerdictTest : public ::testing::Test {
  protected:
    CriticalValueTable tables = buildCriticalValueTables();

    // 10 + 10 takes of 2000 indices with 2 LSB of noise; amplitude > 0 adds two
    // periods of a tone of that many LSB to the comparison takes at 750 .. 1049.
    TakeSets tenAndTen(double amplitude, std::uint64_t seed) const {
        std::vector<std::int64_t> values = noisyTakes(20, 2000, 2.0, seed);
        for (int take = 10; take < 20; ++take) {
            for (std::int64_t j = 750; j < 1050; ++j) {
                values[take * 2000 + j] +=
                    std::llround(amplitude * std::sin(2 * M_PI * static_cast<double>(j) / 150));
            }
        }
        return makeTakeSets(std::move(values), 10, 10, 95, tables);
    }
};

TEST_F(VerdictTest, ThreeAndThreeTakesCannotReachFivePerCent) {
    // Index 1: reference 10, 11, 12 against 0, 1, 2, t = 10 / sqrt(2 / 3) =
    // 12.2 on 4 degrees (critical 2.776). Of the 20 splits only this one and its
    // mirror separate the values, so no p can fall below 2 / 20: no test is made.
    const TakeSets sets =
        makeTakeSets({0, 10, 0, 0, 11, 0, 0, 12, 0, 0, 0, 0, 0, 1, 0, 0, 2, 0}, 3, 3, 95, tables);
    const Verdict verdict = computeVerdict(verdictInputFor(sets, 95, tables, {}));
    EXPECT_EQ(verdict.outcome, VerdictOutcome::cannotTell);
    EXPECT_EQ(verdict.reason,
              "With 3 and 3 takes the smallest possible p is 0.1; at least 4 and 4 are needed at "
              "95 per cent.");
    EXPECT_EQ(verdict.smallestPossibleP, 0.1);
    EXPECT_EQ(verdict.permutations, 0);
    ASSERT_EQ(verdict.clusters.size(), 1U);
    const ClusterVerdict& cluster = verdict.clusters[0];
    EXPECT_EQ(cluster.first, 1);
    EXPECT_EQ(cluster.last, 1);
    EXPECT_EQ(cluster.mass, 10 / std::sqrt(2.0 / 3));
    EXPECT_EQ(cluster.meanDifference, 10);
    EXPECT_TRUE(std::isnan(cluster.p));
    EXPECT_EQ(verdict.clusterOf, (std::vector<std::int32_t>{0, 1, 0}));
    EXPECT_EQ(verdict.alpha, 0.05);
    EXPECT_EQ(verdict.expectedByChance, 0.05 * 3);
    // Indices 0 and 2 have no scatter and equal means: the floor makes t 0, p 1.
    EXPECT_EQ(verdict.t[0], 0);
    EXPECT_EQ(verdict.p[0], 1);
    EXPECT_EQ(verdict.p[2], 1);
    EXPECT_EQ(verdict.degreesOfFreedom, (std::vector<double>{4, 4, 4}));
}

TEST_F(VerdictTest, APlantedToneIsFoundWhereItIs) {
    const TakeSets sets = tenAndTen(8, 4);
    const Verdict verdict = computeVerdict(verdictInputFor(sets, 95, tables, {}));
    EXPECT_EQ(verdict.outcome, VerdictOutcome::differ);
    EXPECT_FALSE(verdict.exact);
    EXPECT_EQ(verdict.permutations, 1000);
    EXPECT_EQ(verdict.seed, 1U);
    int found = 0;
    for (const ClusterVerdict& cluster : verdict.clusters) {
        if (cluster.p >= 0.01) continue;
        ++found;
        EXPECT_GE(cluster.first, 750);
        EXPECT_LE(cluster.last, 1049);
        EXPECT_EQ(cluster.p, 1.0 / 1001);
        EXPECT_EQ(cluster.pLow, 0);
        EXPECT_NEAR(cluster.pHigh,
                    1.0 / 1001 + 1.96 * std::sqrt((1.0 / 1001) * (1000.0 / 1001) / 1000), 1e-15);
    }
    // Four half waves, each a cluster of its own sign beyond every split.
    EXPECT_EQ(found, 4);
    // Benjamini-Hochberg admits a share q of false discoveries among its
    // finds, so a few may lie outside the tone, but few.
    EXPECT_GT(verdict.fdrCount, 150);
    std::int64_t keptOutside = 0;
    for (std::int64_t j = 0; j < 2000; ++j) {
        if (j < 750 || j >= 1050) keptOutside += verdict.fdrKept[j];
    }
    EXPECT_LT(keptOutside, verdict.fdrCount / 10);
}

TEST_F(VerdictTest, SetsFromOneDistributionDoNotDiffer) {
    const TakeSets sets = tenAndTen(0, 8);
    const Verdict verdict = computeVerdict(verdictInputFor(sets, 95, tables, {}));
    EXPECT_EQ(verdict.outcome, VerdictOutcome::doNotDiffer);
    EXPECT_EQ(verdict.expectedByChance, 100);
    // Chance clusters are there, but none stands out.
    EXPECT_GT(verdict.clusters.size(), 20U);
    for (const ClusterVerdict& cluster : verdict.clusters) EXPECT_GE(cluster.p, 0.05);
    EXPECT_EQ(verdict.fdrCount, 0);
    const std::int64_t marked =
        std::accumulate(sets.significant.begin(), sets.significant.end(), std::int64_t{0});
    EXPECT_GT(marked, 50);
    EXPECT_LT(marked, 150);
}

TEST_F(VerdictTest, CannotTellWithoutATestAndSaysWhy) {
    const TakeSets sets = tenAndTen(8, 4);
    VerdictInput input = verdictInputFor(sets, 90, tables, {});
    const Verdict at90 = computeVerdict(input);
    EXPECT_EQ(at90.outcome, VerdictOutcome::cannotTell);
    EXPECT_EQ(at90.reason, "Only the 95 and 99 per cent levels have a test.");
    EXPECT_EQ(at90.alpha, 0);
    EXPECT_EQ(at90.fdrCount, 0);
    EXPECT_EQ(at90.permutations, 0);

    input = verdictInputFor(sets, 95, tables, {});
    input.referenceTakes = 1;
    const Verdict single = computeVerdict(input);
    EXPECT_EQ(single.outcome, VerdictOutcome::cannotTell);
    EXPECT_NE(single.reason.find("reference set has fewer than two takes"), std::string::npos);
    EXPECT_TRUE(std::isnan(single.p[0]));

    input = verdictInputFor(sets, 95, tables, {});
    input.skipPermutationTest = "it needs 9 GB and 2 GB are free.";
    const Verdict skipped = computeVerdict(input);
    EXPECT_EQ(skipped.outcome, VerdictOutcome::cannotTell);
    EXPECT_EQ(skipped.reason, "The permutation test was skipped: it needs 9 GB and 2 GB are free.");
    EXPECT_FALSE(skipped.clusters.empty());
    EXPECT_TRUE(std::isnan(skipped.clusters[0].p));
    EXPECT_GT(skipped.fdrCount, 150);  // the rest of the verdict is still there

    input = verdictInputFor(sets, 95, tables, {});
    input.options.permutations = 0;
    EXPECT_EQ(computeVerdict(input).outcome, VerdictOutcome::cannotTell);
    input = verdictInputFor(sets, 95, tables, {});
    input.takeValues = input.takeValues.first(input.takeValues.size() - 1);
    EXPECT_EQ(computeVerdict(input).outcome, VerdictOutcome::cannotTell);
    input = verdictInputFor(sets, 95, tables, {});
    input.referenceMean = input.referenceMean.first(10);
    const Verdict shortInput = computeVerdict(input);
    EXPECT_EQ(shortInput.outcome, VerdictOutcome::cannotTell);
    EXPECT_EQ(shortInput.reason, "The statistics given do not cover the analysis window.");
}

TEST_F(VerdictTest, NoClusterNeedsNoPermutations) {
    TakeSets sets = makeTakeSets({1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 3, 2, 5, 4, 1, 5, 2, 1, 4, 3}, 5, 5,
                                 99, tables);
    VerdictInput input = verdictInputFor(sets, 99, tables, {});
    input.takeValues = {};
    const Verdict verdict = computeVerdict(input);
    EXPECT_EQ(verdict.outcome, VerdictOutcome::doNotDiffer);
    EXPECT_TRUE(verdict.clusters.empty());
    EXPECT_EQ(verdict.permutations, 0);
    EXPECT_EQ(verdict.alpha, 0.01);
    EXPECT_EQ(verdict.clusterOf, (std::vector<std::int32_t>{0, 0}));
}

TEST_F(VerdictTest, MemoryNeedCountsTheWindowAndSaturates) {
    const PermutationOptions options;
    EXPECT_GT(verdictBytes(20, 44100, options),
              permutationTestBytes(20, 44100, options) + 44100 * 20);
    EXPECT_EQ(verdictBytes(20, std::numeric_limits<std::int64_t>::max(), options),
              std::numeric_limits<std::uint64_t>::max());
}

}  // namespace
}  // namespace trellmark
