#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

#include "support/verdict_sets.hpp"
#include "verdict/clusters.hpp"
#include "verdict/permutation_test.hpp"

namespace trellmark {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

class PermutationTest : public ::testing::Test {
  protected:
    CriticalValueTable tables = buildCriticalValueTables();

    PermutationInput inputFor(const std::vector<std::int64_t>& values, int nR, int nC,
                              std::int16_t confidence = 95) const {
        const auto length = static_cast<std::int64_t>(values.size()) / (nR + nC);
        return {values, nR, nC, length, ConfidenceLevel(confidence).test(), &tables};
    }
};

// 4 reference and 3 comparison takes of 12 indices: noise of a few LSB, +9 in
// the reference at 3 .. 6 and -7 at 9 .. 10, index 0 alike in every take, no
// scatter in the comparison at index 8.
const std::vector<std::int64_t> fourAndThree = {
    5, 3, 1,  12, 12, 9,  9,  1,  3,  -6, -9, -2,  //
    5, 1, 0,  11, 10, 12, 7,  -3, 0,  -8, -9, -3,  //
    5, 3, 2,  11, 6,  10, 9,  0,  2,  -5, -6, 2,   //
    5, 1, -3, 12, 10, 6,  6,  -3, -2, -9, -6, -3,  //
    5, 0, -1, 0,  1,  3,  -2, 1,  2,  2,  -1, 0,   //
    5, 2, -3, 0,  2,  -1, 0,  1,  2,  -3, 2,  -1,  //
    5, 3, -2, 1,  -1, -3, -3, 1,  2,  -3, 0,  -3,
};

// The largest cluster |mass| of all 35 splits, the observed one among them,
// from tests/independent_verdict.py: exact integer sums, variances floored at
// 1/12, the program's table and degrees of freedom.
std::vector<double> zerosThen(std::size_t zeros, std::initializer_list<double> rest) {
    std::vector<double> values(zeros, 0.0);
    values.insert(values.end(), rest);
    return values;
}

const std::vector<double> fourAndThreeAt95 =
    zerosThen(28, {3.2125707287191205, 4.358898943540673, 4.535573676110728, 5.0, 7.936252463075677,
                   8.575961209264847, 43.639119038100134});
const std::vector<double> fourAndThreeAt99 =
    zerosThen(32, {5.0, 5.363390480545726, 31.072276823812615});

TEST_F(PermutationTest, ExactNullOfFourAndThreeTakesMatchesAnIndependentEnumeration) {
    PermutationOptions options;  // 1000 permutations exceed C(7, 3) = 35
    options.statistic = ClusterStatistic::mass;
    const NullDistribution at95 =
        computeNullDistribution(inputFor(fourAndThree, 4, 3, 95), options);
    EXPECT_TRUE(at95.exact);
    EXPECT_EQ(at95.splits, 35);
    EXPECT_EQ(at95.sortedMaxima, fourAndThreeAt95);
    const NullDistribution at99 =
        computeNullDistribution(inputFor(fourAndThree, 4, 3, 99), options);
    EXPECT_EQ(at99.sortedMaxima, fourAndThreeAt99);

    // The observed clusters at 95: 3 .. 6 and 10 (t from the same enumeration).
    const std::vector<double> t{0,
                                0,
                                0,
                                25.323619691618227,
                                5.7486571321943885,
                                4.432924230827274,
                                8.133917983460247,
                                0,
                                0,
                                0,
                                -6.337478707154476,
                                0};
    const std::vector<std::uint8_t> marked{0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 1, 0};
    const std::vector<Cluster> clusters = findClusters(t, marked, t);
    ASSERT_EQ(clusters.size(), 2U);
    EXPECT_EQ(clusterPValue(at95, clusters[0].mass), 1.0 / 35);
    EXPECT_EQ(clusterPValue(at95, clusters[1].mass), 3.0 / 35);
}

TEST_F(PermutationTest, ThreeAndThreeTakesGiveTwentySplitsAndAMirror) {
    // +12 in the reference at 2 .. 5 over noise of a few LSB.
    const std::vector<std::int64_t> values = {
        0,  1,  16, 8,  15, 11, -4, -2, -3, 1,   //
        3,  -1, 14, 16, 9,  11, -4, -1, 2,  0,   //
        -2, 2,  10, 9,  10, 15, -2, -2, -4, -4,  //
        -1, -1, -2, -2, 0,  1,  -1, 4,  -1, -2,  //
        -1, 2,  0,  -4, 1,  2,  -2, -2, 0,  -3,  //
        1,  0,  -4, 1,  -3, 0,  1,  0,  3,  1,
    };
    PermutationOptions byMass;
    byMass.statistic = ClusterStatistic::mass;
    const NullDistribution null = computeNullDistribution(inputFor(values, 3, 3), byMass);
    EXPECT_TRUE(null.exact);
    EXPECT_EQ(null.splits, 20);
    // tests/independent_verdict.py. With equal sizes a split and its mirror
    // give the same |mass|, so every value comes in pairs, the observed split's
    // mirror beside the observed split itself, to the bit.
    const std::vector<double> expected =
        zerosThen(12, {3.474396144861517, 3.474396144861517, 4.949747468305833, 4.949747468305833,
                       5.5, 5.5, 24.859476715926792, 24.859476715926792});
    EXPECT_EQ(null.sortedMaxima, expected);
    EXPECT_EQ(clusterPValue(null, 24.859476715926792), 2.0 / 20);

    // By size the same splits give runs of 0 to 4 indices, again in mirror
    // pairs; the planted run of four is matched only by its mirror.
    PermutationOptions bySize;
    bySize.statistic = ClusterStatistic::size;
    const NullDistribution sizes = computeNullDistribution(inputFor(values, 3, 3), bySize);
    EXPECT_EQ(sizes.sortedMaxima, zerosThen(12, {1, 1, 1, 1, 1, 1, 4, 4}));
    EXPECT_EQ(clusterPValue(sizes, 4), 2.0 / 20);
}

TEST_F(PermutationTest, MonteCarloAndExactPValuesWithTheirIntervals) {
    NullDistribution drawn;
    drawn.splits = 9;
    drawn.sortedMaxima = {0, 0, 0, 1, 2, 3, 3, 5, 8};
    EXPECT_EQ(clusterPValue(drawn, 3), 5.0 / 10);  // ties count: 3, 3, 5, 8 and the observed
    EXPECT_EQ(clusterPValue(drawn, -3), 5.0 / 10);
    EXPECT_EQ(clusterPValue(drawn, 9), 1.0 / 10);
    EXPECT_EQ(clusterPValue(drawn, 0.5), 7.0 / 10);
    EXPECT_EQ(clusterPValue(drawn, inf), 1.0 / 10);
    const PValueInterval middle = clusterPValueInterval(drawn, 0.5);
    EXPECT_NEAR(middle.low, 0.5 - 1.96 * std::sqrt(0.25 / 9), 1e-15);
    EXPECT_NEAR(middle.high, 0.5 + 1.96 * std::sqrt(0.25 / 9), 1e-15);
    const PValueInterval low = clusterPValueInterval(drawn, 0.1);
    EXPECT_EQ(low.low, 0);
    EXPECT_NEAR(low.high, 0.1 + 1.96 * 0.1, 1e-15);
    EXPECT_EQ(clusterPValueInterval(drawn, 1).high, 1);

    NullDistribution exact;
    exact.exact = true;
    exact.splits = 4;
    exact.sortedMaxima = {0, 2, 5, inf};
    EXPECT_EQ(clusterPValue(exact, 2), 3.0 / 4);
    EXPECT_EQ(clusterPValue(exact, -100), 1.0 / 4);
    EXPECT_EQ(clusterPValue(exact, inf), 1.0 / 4);
    const PValueInterval point = clusterPValueInterval(exact, 0.75);
    EXPECT_EQ(point.low, 0.75);
    EXPECT_EQ(point.high, 0.75);
}

TEST_F(PermutationTest, ThreadsSeedsWidthsAndKernelsGiveTheSameResult) {
    // A planted difference and stretches where a set has no scatter; unequal
    // sizes (the table entry is looked up per index) with either set the
    // smaller, and equal sizes.
    for (const auto& [nR, nC] : {std::pair{6, 9}, std::pair{9, 6}, std::pair{8, 8}}) {
        SCOPED_TRACE(::testing::Message() << nR << " + " << nC);
        const int takes = nR + nC;
        std::vector<std::int64_t> values = testing::noisyTakes(takes, 700, 3.0, 21);
        for (int take = 0; take < nR; ++take) {
            for (std::int64_t j = 200; j < 260; ++j) values[take * 700 + j] += 5;
            for (std::int64_t j = 400; j < 420; ++j) values[take * 700 + j] = 7;
        }
        for (int take = nR; take < takes; ++take) {
            for (std::int64_t j = 410; j < 430; ++j) values[take * 700 + j] = -3;
        }
        const PermutationInput input = inputFor(values, nR, nC);
        PermutationOptions options;
        options.permutations = 300;
        options.seed = 17;
        options.threads = 1;
        const NullDistribution one = computeNullDistribution(input, options);
        EXPECT_FALSE(one.exact);
        EXPECT_EQ(one.splits, 300);
        EXPECT_EQ(one.width, SumWidth::short16);
        EXPECT_GT(one.sortedMaxima.back(), 0);
        for (const int threads : {2, 3, 0}) {
            options.threads = threads;
            EXPECT_EQ(computeNullDistribution(input, options).sortedMaxima, one.sortedMaxima)
                << threads << " threads";
        }
        for (const SumWidth width :
             {SumWidth::short16, SumWidth::narrow, SumWidth::wide, SumWidth::widest}) {
            for (const bool allowAvx2 : {true, false}) {
                const NullDistribution other =
                    computeNullDistribution(input, options, {width, allowAvx2});
                EXPECT_EQ(other.width, width);
                EXPECT_EQ(other.sortedMaxima, one.sortedMaxima);
            }
        }
        options.seed = 18;
        EXPECT_NE(computeNullDistribution(input, options).sortedMaxima, one.sortedMaxima);
    }
}

// A watch sees the test from its start to its end without changing a bit of
// it, on any number of threads; answering false stops it, marked as stopped.
TEST_F(PermutationTest, AWatchSeesTheSplitsAndMayStopThem) {
    std::vector<std::int64_t> values = testing::noisyTakes(14, 700, 3.0, 21);
    for (int take = 0; take < 7; ++take) {
        for (std::int64_t j = 200; j < 260; ++j) values[take * 700 + j] += 5;
    }
    const PermutationInput input = inputFor(values, 7, 7);
    PermutationOptions options;
    options.permutations = 3000;
    const NullDistribution unwatched = computeNullDistribution(input, options);
    ASSERT_FALSE(unwatched.exact);
    for (const int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        options.threads = threads;
        std::vector<std::pair<std::int64_t, std::int64_t>> seen;
        options.watch = [&seen](std::int64_t done, std::int64_t total) {
            seen.emplace_back(done, total);
            return true;
        };
        const NullDistribution watched = computeNullDistribution(input, options);
        EXPECT_FALSE(watched.stopped);
        EXPECT_EQ(watched.sortedMaxima, unwatched.sortedMaxima);
        ASSERT_GE(seen.size(), 2u);
        EXPECT_EQ(seen.front(), (std::pair<std::int64_t, std::int64_t>{0, 3000}));
        EXPECT_EQ(seen.back(), (std::pair<std::int64_t, std::int64_t>{3000, 3000}));
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));

        int calls = 0;
        options.watch = [&calls](std::int64_t, std::int64_t) { return ++calls < 1; };
        EXPECT_TRUE(computeNullDistribution(input, options).stopped);
        EXPECT_EQ(calls, 1);
    }
}

TEST_F(PermutationTest, ScalingByAPowerOfTwoChangesNoBitInAnyWidth) {
    // Means, standard deviations and so t scale exactly with a power of two, so
    // the same takes at 2^12, 2^22, 2^40 and 2^58 times their size give the
    // same maxima as at their own size, through every width of sums and both
    // ways of turning small and large 64-bit sums into doubles.
    std::vector<std::int64_t> small = testing::noisyTakes(10 + 10, 300, 2.0, 5);
    for (std::int64_t& x : small) x = x % 16;
    for (std::int64_t j = 100; j < 140; ++j) small[j] += 6;
    PermutationOptions options;
    options.permutations = 200;
    for (const auto& [nR, nC] : {std::pair{10, 10}, std::pair{8, 12}}) {
        const NullDistribution own = computeNullDistribution(inputFor(small, nR, nC), options);
        EXPECT_EQ(own.width, SumWidth::short16);
        EXPECT_GT(own.sortedMaxima.back(), 0);
        for (const auto& [shift, width] :
             {std::pair{12, SumWidth::narrow}, std::pair{22, SumWidth::narrow},
              std::pair{40, SumWidth::wide}, std::pair{58, SumWidth::widest}}) {
            std::vector<std::int64_t> scaled = small;
            for (std::int64_t& x : scaled) x *= std::int64_t{1} << shift;
            const NullDistribution large =
                computeNullDistribution(inputFor(scaled, nR, nC), options);
            EXPECT_EQ(large.width, width);
            EXPECT_EQ(large.sortedMaxima, own.sortedMaxima) << "shift " << shift;
        }
    }
}

TEST_F(PermutationTest, ExtremeValuesRunInTheWidestSums) {
    std::vector<std::int64_t> values(4 * 20, 0);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = i % 3 == 0 ? std::numeric_limits<std::int64_t>::min()
                               : (i % 3 == 1 ? std::numeric_limits<std::int64_t>::max() : 1);
    }
    const NullDistribution null = computeNullDistribution(inputFor(values, 2, 2), {});
    EXPECT_EQ(null.width, SumWidth::widest);
    EXPECT_TRUE(null.exact);
    EXPECT_EQ(null.splits, 6);
}

TEST_F(PermutationTest, MemoryNeedGrowsWithTheTakesAndSaturates) {
    const PermutationOptions options;
    const std::uint64_t typical = permutationTestBytes(200, 44100, options);
    // At least the caller's values and the test's own table of them.
    EXPECT_GE(typical, 2U * 200 * 44100 * 8);
    EXPECT_LT(typical, 4U * 200 * 44100 * 8);
    EXPECT_GT(permutationTestBytes(400, 44100, options), typical);
    EXPECT_EQ(permutationTestBytes(2000, std::numeric_limits<std::int64_t>::max(), options),
              std::numeric_limits<std::uint64_t>::max());
}

}  // namespace
}  // namespace trellmark
