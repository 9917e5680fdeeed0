// The spectrum's test bin by bin: a planted tone found with the smallest p
// the design allows, sets of one distribution without a cluster below alpha,
// a split and its mirror as strong to the bit, and the halved alpha.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "spectrum/level_test.hpp"
#include "spectrum/run_spectrum.hpp"

namespace trellmark {
namespace {

constexpr std::int64_t second = 44100;

// nR + nC takes of Gaussian noise of sd `sigma` LSB, rounded, with a tone of
// `amplitude` LSB at `hz` in the comparison takes, take-major.
std::vector<std::int64_t> tonedTakes(int nR, int nC, double sigma, double amplitude, double hz,
                                     std::uint64_t seed) {
    std::mt19937_64 generator(seed);
    std::normal_distribution<double> noise(0, sigma);
    std::vector<std::int64_t> values;
    for (int take = 0; take < nR + nC; ++take) {
        const double a = take < nR ? 0 : amplitude;
        const double phase = take * 0.7;
        for (std::int64_t n = 0; n < second; ++n) {
            const double tone = a * std::sin(2 * std::numbers::pi * hz * n / second + phase);
            values.push_back(static_cast<std::int64_t>(std::nearbyint(noise(generator) + tone)));
        }
    }
    return values;
}

RunResults runOf(int nR, int nC, std::int16_t confidence) {
    RunResults run;
    run.parameters.analysisLength = second;
    run.parameters.confidenceLevel = confidence;
    run.referenceStatistics.fileCount = static_cast<std::int16_t>(nR);
    run.comparisonStatistics.fileCount = static_cast<std::int16_t>(nC);
    run.scaleFile.sampleRate = second;
    return run;
}

TEST(SpectrumTest, PlantedToneIsOneClusterAt3kHzWithTheSmallestPossibleP) {
    const std::vector<std::int64_t> takes = tonedTakes(5, 5, 3, 2, 3000, 7);
    PermutationOptions options;
    options.seed = 1;
    const SpectrumResult result = spectrumOfRun(runOf(5, 5, 95), takes, 4096, options, false, {});
    EXPECT_EQ(result.segments, 20);
    EXPECT_DOUBLE_EQ(result.binHz, 44100.0 / 4096);
    ASSERT_EQ(result.verdict.t.size(), 2048u);
    EXPECT_TRUE(result.verdict.exact);
    EXPECT_EQ(result.verdict.permutations, 252);
    EXPECT_EQ(result.verdict.outcome, VerdictOutcome::differ);
    const ClusterVerdict* strongest = nullptr;
    for (const ClusterVerdict& cluster : result.verdict.clusters) {
        if (strongest == nullptr || std::fabs(cluster.mass) > std::fabs(strongest->mass)) {
            strongest = &cluster;
        }
    }
    ASSERT_NE(strongest, nullptr);
    // 3000 Hz lies in bin 278.6: the tone's bins, louder in the comparison.
    EXPECT_LE(strongest->first * result.binHz, 3000.0);
    EXPECT_GE(strongest->last * result.binHz, 3000.0);
    EXPECT_LE(strongest->last - strongest->first, 4);
    EXPECT_LT(strongest->meanDifference, -10.0);
    EXPECT_LT(strongest->mass, 0);
    EXPECT_DOUBLE_EQ(strongest->p, 2.0 / 252);
}

TEST(SpectrumTest, SetsOfOneDistributionGiveNoClusterBelowAlpha) {
    struct Case {
        int nR;
        int nC;
        std::int16_t confidence;
        std::uint64_t noiseSeed;
    };
    const std::vector<Case> cases = {{6, 5, 95, 11}, {5, 5, 95, 12}, {8, 8, 99, 13}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nR * 100 + c.nC);
        const std::vector<std::int64_t> takes = tonedTakes(c.nR, c.nC, 3, 0, 3000, c.noiseSeed);
        const SpectrumResult result =
            spectrumOfRun(runOf(c.nR, c.nC, c.confidence), takes, 4096, {}, false, {});
        EXPECT_EQ(result.verdict.outcome, VerdictOutcome::doNotDiffer);
        for (const ClusterVerdict& cluster : result.verdict.clusters) {
            EXPECT_GE(cluster.p, result.verdict.alpha);
        }
    }
}

TEST(SpectrumTest, ASplitAndItsMirrorAreAsStrongToTheBit) {
    // Levels of 4 + 4 takes over 64 bins with a step in the comparison set.
    std::mt19937_64 generator(3);
    std::normal_distribution<double> spread(40, 0.7);
    std::vector<double> levels(8 * 64);
    for (std::size_t i = 0; i < levels.size(); ++i) {
        levels[i] = spread(generator) + (i >= 4 * 64 && i % 64 > 20 && i % 64 < 30 ? 3 : 0);
    }
    const CriticalValueTable tables = buildCriticalValueTables();
    LevelTestInput input;
    input.levels = levels;
    input.referenceTakes = 4;
    input.comparisonTakes = 4;
    input.bins = 64;
    input.tables = &tables;
    const std::vector<std::vector<std::uint8_t>> groups = {
        {1, 1, 1, 1, 0, 0, 0, 0}, {1, 0, 1, 0, 1, 0, 1, 0}, {0, 1, 1, 0, 0, 1, 1, 0}};
    for (const std::vector<std::uint8_t>& group : groups) {
        std::vector<std::uint8_t> mirror(group.size());
        for (std::size_t i = 0; i < group.size(); ++i) mirror[i] = group[i] == 0 ? 1 : 0;
        std::vector<double> t(64);
        std::vector<double> mirrorT(64);
        std::vector<std::uint8_t> significant(64);
        std::vector<std::uint8_t> mirrorSignificant(64);
        const double mass = judgeLevelSplit(input, group, true, t, significant);
        const double mirrorMass = judgeLevelSplit(input, mirror, true, mirrorT, mirrorSignificant);
        EXPECT_EQ(mass, mirrorMass);
        for (std::size_t k = 0; k < t.size(); ++k) EXPECT_EQ(t[k], -mirrorT[k]);
        EXPECT_EQ(significant, mirrorSignificant);
    }
    // The planted step: bins 21 .. 29, the comparison louder.
    std::vector<double> t(64);
    std::vector<std::uint8_t> significant(64);
    judgeLevelSplit(input, groups[0], true, t, significant);
    EXPECT_LT(t[25], 0);
}

TEST(SpectrumTest, HalvedAlphaCannotTellWhereTheDesignCannotReachIt) {
    struct Case {
        int n;
        std::int16_t confidence;
        bool halved;
        VerdictOutcome outcome;
    };
    // 4 + 4: 2/70 = 0.0286 is below 0.05 but above 0.025; 5 + 5: 2/252 is
    // below both.
    const std::vector<Case> cases = {
        {4, 95, false, VerdictOutcome::differ},
        {4, 95, true, VerdictOutcome::cannotTell},
        {5, 95, true, VerdictOutcome::differ},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n * 10 + c.halved);
        const std::vector<std::int64_t> takes = tonedTakes(c.n, c.n, 3, 4, 3000, 5);
        const SpectrumResult result =
            spectrumOfRun(runOf(c.n, c.n, c.confidence), takes, 4096, {}, c.halved, {});
        EXPECT_EQ(result.verdict.outcome, c.outcome) << result.verdict.reason;
        EXPECT_EQ(result.verdict.alphaHalved, c.halved);
        EXPECT_DOUBLE_EQ(result.verdict.alpha, c.halved ? 0.025 : 0.05);
    }
    EXPECT_EQ(unreachableAlphaAt(4, 4, 1000, TestLevel::percent95, 0.025),
              "with 4 and 4 takes the smallest possible p is 0.0286; at least 5 and 5 are "
              "needed at α/2 of 95 per cent");
    EXPECT_EQ(unreachableAlphaAt(4, 4, 1000, TestLevel::percent95, 0.05), "");
}

TEST(SpectrumTest, WithoutKeptWindowsItCannotTellAndSaysWhy) {
    const SpectrumResult result =
        spectrumOfRun(runOf(5, 5, 95), {}, 4096, {}, true, "it needs 9 MB and 1 MB are free.");
    EXPECT_EQ(result.verdict.outcome, VerdictOutcome::cannotTell);
    EXPECT_EQ(result.verdict.reason,
              "The spectrum was not computed: the takes' windows were not kept: it needs 9 MB "
              "and 1 MB are free.");
}

}  // namespace
}  // namespace trellmark
