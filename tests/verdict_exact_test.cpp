// The verdict's own t: the observed split judged by the same exact sums and
// the same code as the permuted ones, the variance floor, and the designs
// that cannot reach alpha.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "compare/compare_run.hpp"
#include "support/captured_streams.hpp"
#include "support/command_line_run.hpp"
#include "support/scratch_directory.hpp"
#include "support/verdict_sets.hpp"
#include "support/wave_bytes.hpp"
#include "support/whole_file.hpp"
#include "verdict/clusters.hpp"
#include "verdict/permutation_test.hpp"
#include "verdict/split_draw.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {
namespace {

using testing::makeTakeSets;
using testing::noisyTakes;
using testing::TakeSets;
using testing::verdictInputFor;

// Noise of `noise` LSB on a common tone, and `step` LSB added to the
// comparison takes over indices 100 .. 159 of 400.
std::vector<std::int64_t> steppedTakes(int nR, int nC, double noise, std::int64_t step,
                                       std::uint64_t seed) {
    constexpr std::int64_t length = 400;
    std::vector<std::int64_t> values = noisyTakes(nR + nC, length, noise, seed);
    for (int take = nR; take < nR + nC; ++take) {
        for (std::int64_t j = 100; j < 160; ++j) values[take * length + j] += step;
    }
    return values;
}

double strongestCluster(const ObservedSplit& observed, ClusterStatistic statistic) {
    double strongest = 0;
    for (const Cluster& cluster : findClusters(observed.t, observed.significant, observed.t)) {
        strongest = std::max(strongest, statistic == ClusterStatistic::size
                                            ? static_cast<double>(cluster.last - cluster.first + 1)
                                            : std::fabs(cluster.mass));
    }
    return strongest;
}

class VerdictExact : public ::testing::Test {
  protected:
    CriticalValueTable tables = buildCriticalValueTables();
};

// The observed split's strongest cluster is one of the null distribution's
// values to the bit, whatever width and kernel compute it, and with equal sizes
// its mirror gives it again: the observed split is never set apart.
TEST_F(VerdictExact, TheObservedSplitIsTheKernelsIdentitySplitToTheBit) {
    struct Shape {
        int nR, nC;
    };
    for (const Shape shape : {Shape{5, 5}, Shape{4, 3}, Shape{3, 6}, Shape{6, 6}}) {
        const std::vector<std::int64_t> values = steppedTakes(shape.nR, shape.nC, 2.5, 3, 17);
        const PermutationInput input{values, shape.nR, shape.nC, 400, TestLevel::percent95,
                                     &tables};
        const ObservedSplit plain = judgeObservedSplit(input, {SumWidth::short16, false});
        for (const SumWidth width :
             {SumWidth::short16, SumWidth::narrow, SumWidth::wide, SumWidth::widest}) {
            for (const bool avx2 : {false, true}) {
                const KernelChoice kernel{width, avx2};
                const ObservedSplit observed = judgeObservedSplit(input, kernel);
                EXPECT_EQ(observed.t, plain.t);
                EXPECT_EQ(observed.significant, plain.significant);
                for (const ClusterStatistic statistic :
                     {ClusterStatistic::mass, ClusterStatistic::size}) {
                    PermutationOptions options;
                    options.statistic = statistic;
                    const NullDistribution null = computeNullDistribution(input, options, kernel);
                    ASSERT_TRUE(null.exact);
                    const double strongest = strongestCluster(observed, statistic);
                    ASSERT_GT(strongest, 0);
                    const auto copies =
                        std::count(null.sortedMaxima.begin(), null.sortedMaxima.end(), strongest);
                    EXPECT_GE(copies, shape.nR == shape.nC ? 2 : 1)
                        << shape.nR << " + " << shape.nC << ", width " << static_cast<int>(width)
                        << ", avx2 " << avx2;
                }
            }
        }
    }
}

// With equal sizes every exact p is a whole number of mirror pairs out of
// C(2n, n): never below 2 / C(2n, n), which a planted step reaches.
TEST_F(VerdictExact, EqualSizesGiveWholeMirrorPairsOfSplits) {
    for (int n = 3; n <= 6; ++n) {
        const double splits = static_cast<double>(binomialCapped(2 * n, n, 1000));
        for (const std::int64_t step : {0, 0, 12}) {
            for (const ClusterStatistic statistic :
                 {ClusterStatistic::mass, ClusterStatistic::size}) {
                const std::vector<std::int64_t> values =
                    steppedTakes(n, n, 3, step, 40 + static_cast<std::uint64_t>(n + step));
                const PermutationInput input{values, n, n, 400, TestLevel::percent95, &tables};
                PermutationOptions options;
                options.statistic = statistic;
                const NullDistribution null = computeNullDistribution(input, options);
                ASSERT_TRUE(null.exact);
                ASSERT_EQ(null.splits, static_cast<std::int64_t>(splits));
                const ObservedSplit observed = judgeObservedSplit(input);
                double smallest = 1;
                for (const Cluster& cluster :
                     findClusters(observed.t, observed.significant, observed.t)) {
                    const double strength =
                        statistic == ClusterStatistic::size
                            ? static_cast<double>(cluster.last - cluster.first + 1)
                            : cluster.mass;
                    const double p = clusterPValue(null, strength);
                    const double pairs = p * splits / 2;
                    EXPECT_EQ(pairs, std::round(pairs)) << n << " + " << n << ": p = " << p;
                    EXPECT_GE(p, 2 / splits) << n << " + " << n;
                    smallest = std::min(smallest, p);
                }
                if (step != 0) {
                    EXPECT_EQ(smallest, 2 / splits) << n << " + " << n;
                }
            }
        }
    }
}

// Takes that are the same bytes have no difference to find: the floor makes
// every t 0, where folded means left rounding traces that t blew up.
TEST_F(VerdictExact, ByteIdenticalTakesFormNoCluster) {
    struct Shape {
        int nR, nC;
    };
    for (const Shape shape : {Shape{6, 5}, Shape{7, 3}, Shape{9, 10}}) {
        const std::vector<std::int64_t> one = noisyTakes(1, 500, 3, 5);
        std::vector<std::int64_t> values;
        for (int take = 0; take < shape.nR + shape.nC; ++take) {
            values.insert(values.end(), one.begin(), one.end());
        }
        const TakeSets sets = makeTakeSets(values, shape.nR, shape.nC, 95, tables);
        const Verdict verdict = computeVerdict(verdictInputFor(sets, 95, tables, {}));
        EXPECT_EQ(verdict.outcome, VerdictOutcome::doNotDiffer) << shape.nR << " + " << shape.nC;
        EXPECT_TRUE(verdict.clusters.empty());
        EXPECT_EQ(verdict.fdrCount, 0);
        EXPECT_EQ(std::count(verdict.t.begin(), verdict.t.end(), 0.0), 500);
        EXPECT_EQ(std::count(verdict.p.begin(), verdict.p.end(), 1.0), 500);
    }
}

// Takes quantised to whole LSB with noise below 1 LSB: a step of 1 LSB is
// found, though most indices show no spread at all in one set or the other.
TEST_F(VerdictExact, AStepOfOneLsbInQuantisedTakesDiffers) {
    struct Case {
        int nR, nC;
        ClusterStatistic statistic;
    };
    for (const Case c : {Case{5, 5, ClusterStatistic::mass}, Case{5, 5, ClusterStatistic::size},
                         Case{6, 5, ClusterStatistic::mass}, Case{7, 3, ClusterStatistic::mass}}) {
        const TakeSets sets =
            makeTakeSets(steppedTakes(c.nR, c.nC, 0.4, 1, 23), c.nR, c.nC, 95, tables);
        PermutationOptions options;
        options.statistic = c.statistic;
        const Verdict verdict = computeVerdict(verdictInputFor(sets, 95, tables, options));
        EXPECT_EQ(verdict.outcome, VerdictOutcome::differ) << c.nR << " + " << c.nC;
        const auto strongest = std::min_element(
            verdict.clusters.begin(), verdict.clusters.end(),
            [](const ClusterVerdict& a, const ClusterVerdict& b) { return a.p < b.p; });
        ASSERT_NE(strongest, verdict.clusters.end());
        EXPECT_GE(strongest->first, 100);
        EXPECT_LE(strongest->last, 159);
        EXPECT_NEAR(strongest->meanDifference, -1, 0.5);  // quantised: 0.5 to 1.5
    }
}

// Whether the design can reach alpha at all, and what it would need.
TEST_F(VerdictExact, DesignsThatCannotReachAlphaCannotTell) {
    struct Case {
        int nR, nC;
        std::int16_t confidence;
        std::int64_t permutations;
        double smallest;
        const char* reason;  // empty: the test is made
    };
    const Case cases[] = {
        {3, 3, 95, 1000, 2.0 / 20,
         "With 3 and 3 takes the smallest possible p is 0.1; at least 4 and 4 are needed at 95 "
         "per cent."},
        {4, 4, 99, 1000, 2.0 / 70,
         "With 4 and 4 takes the smallest possible p is 0.0286; at least 5 and 5 are needed at 99 "
         "per cent."},
        {2, 4, 95, 1000, 1.0 / 15,
         "With 2 and 4 takes the smallest possible p is 0.0667; at least 3 and 4 are needed at 95 "
         "per cent."},
        {5, 2, 95, 1000, 1.0 / 21, ""},
        {4, 4, 95, 1000, 2.0 / 70, ""},
        {5, 5, 99, 1000, 2.0 / 252, ""},
        {10, 10, 95, 19, 1.0 / 20,
         "With 10 and 10 takes and 19 random splits the smallest possible p is 0.05; at least 20 "
         "splits are needed at 95 per cent."},
        {10, 10, 95, 20, 1.0 / 21, ""},
        {2, 3, 95, 10, 1.0 / 10,
         "With 2 and 3 takes the smallest possible p is 0.1; more takes and at least 20 splits are "
         "needed at 95 per cent."},
    };
    for (const Case& c : cases) {
        const TakeSets sets =
            makeTakeSets(steppedTakes(c.nR, c.nC, 2, 40, 3), c.nR, c.nC, c.confidence, tables);
        PermutationOptions options;
        options.permutations = c.permutations;
        const Verdict verdict =
            computeVerdict(verdictInputFor(sets, c.confidence, tables, options));
        const std::string label = std::to_string(c.nR) + " + " + std::to_string(c.nC) + " at " +
                                  std::to_string(c.confidence);
        EXPECT_EQ(verdict.smallestPossibleP, c.smallest) << label;
        EXPECT_EQ(verdict.reason, c.reason) << label;
        EXPECT_EQ(verdict.outcome,
                  *c.reason != '\0' ? VerdictOutcome::cannotTell : VerdictOutcome::differ)
            << label;
        EXPECT_EQ(verdict.permutations, *c.reason != '\0' ? 0 : verdict.permutations) << label;
        EXPECT_FALSE(verdict.clusters.empty()) << label;  // the clusters are still described
    }
}

// The whole run: identical recordings say the sets do not differ, exit 0.
TEST_F(VerdictExact, ByteIdenticalRecordingsDoNotDifferInAWholeRun) {
    struct Shape {
        int nR, nC;
    };
    for (const Shape shape : {Shape{6, 5}, Shape{7, 3}}) {
        const testing::ScratchDirectory dir;
        std::filesystem::create_directory(dir / "ref");
        std::filesystem::create_directory(dir / "cmp");
        std::vector<int> window(300);
        for (std::size_t j = 0; j < window.size(); ++j) {
            window[j] = static_cast<int>(std::lround(900 * std::sin(0.05 * j))) + (j % 7 == 0);
        }
        for (int k = 0; k < shape.nR + shape.nC; ++k) {
            const std::string path = k < shape.nR ? dir / ("ref/t" + std::to_string(k) + ".wav")
                                                  : dir / ("cmp/t" + std::to_string(k) + ".wav");
            wavetest::writeTake(path, 16, 44100, 10, 20000, 3000, window);
        }
        testing::CapturedStreams streams;
        const std::vector<std::string> arguments{
            "compare",     "--reference", dir / "ref", "--comparison", dir / "cmp",
            "--threshold", "10000",       "--length",  "300",          "-q"};
        const std::optional<int> status =
            runCommandLine(arguments, Streams{streams.out, streams.err, false, 80, false});
        EXPECT_EQ(status, 0) << shape.nR << " + " << shape.nC;
        EXPECT_EQ(streams.errText(), "");
    }
}

// What tests/independent_verdict.py makes of the same takes: the observed t,
// the observed clusters and every split's largest statistic.
struct Enumeration {
    std::vector<double> t;
    std::vector<Cluster> clusters;
    std::vector<double> maxima;
};

Enumeration enumerateInPython(const std::vector<std::int64_t>& values, int nR, int nC,
                              std::int16_t confidence, ClusterStatistic statistic) {
    const testing::ScratchDirectory dir;
    const std::int64_t length = static_cast<std::int64_t>(values.size()) / (nR + nC);
    {
        std::ofstream file(dir / "takes.txt");
        file << nR << ' ' << nC << ' ' << confidence << ' '
             << (statistic == ClusterStatistic::mass ? "mass" : "size") << '\n';
        for (int take = 0; take < nR + nC; ++take) {
            for (std::int64_t j = 0; j < length; ++j) file << values[take * length + j] << ' ';
            file << '\n';
        }
    }
    const std::string command = "python3 " TRELLMARK_SOURCE_DIR "/tests/independent_verdict.py '" +
                                (dir / "takes.txt") + "' > '" + (dir / "out.txt") + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    Enumeration enumeration;
    std::istringstream lines(testing::readWholeFile(dir / "out.txt"));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string word;
        fields >> word;
        if (word == "cluster") {
            Cluster cluster;
            fields >> cluster.first >> cluster.last >> cluster.mass;
            enumeration.clusters.push_back(cluster);
            continue;
        }
        std::vector<double>& into = word == "t" ? enumeration.t : enumeration.maxima;
        for (double x = 0; fields >> x;) into.push_back(x);
    }
    return enumeration;
}

// The program and an independent enumeration in plain Python agree to the
// bit on planted, null, identical and quantised takes, of equal and unequal
// sizes: every t, every cluster and every split's strongest cluster.
TEST_F(VerdictExact, AnIndependentEnumerationAgreesToTheBit) {
    ASSERT_EQ(std::system("python3 -c 'import itertools' > /dev/null 2>&1"), 0)
        << "the check needs python3 (make deps installs it)";
    struct Case {
        const char* name;
        int nR, nC;
        double noise;
        std::int64_t step;
        std::int16_t confidence;
        ClusterStatistic statistic;
    };
    const Case cases[] = {
        {"planted", 5, 5, 2, 6, 95, ClusterStatistic::mass},
        {"planted", 4, 3, 2, 6, 99, ClusterStatistic::mass},
        {"null", 5, 5, 2, 0, 95, ClusterStatistic::mass},
        {"null", 3, 5, 2, 0, 95, ClusterStatistic::size},
        {"identical", 6, 5, 0, 0, 95, ClusterStatistic::mass},
        {"quantised", 6, 5, 0.4, 1, 95, ClusterStatistic::mass},
        {"quantised", 5, 5, 0.4, 1, 95, ClusterStatistic::size},
    };
    constexpr std::int64_t length = 80;
    for (const Case& c : cases) {
        std::vector<std::int64_t> values =
            noisyTakes(c.nR + c.nC, length, c.noise, 90 + static_cast<std::uint64_t>(c.nR));
        for (int take = 0; take < c.nR + c.nC; ++take) {
            for (std::int64_t j = 0; j < length; ++j) {
                if (c.noise == 0) values[take * length + j] = values[j];  // the first take's bytes
                if (take >= c.nR && j >= 30 && j < 50) values[take * length + j] += c.step;
            }
        }
        const std::string label =
            std::string(c.name) + " " + std::to_string(c.nR) + " + " + std::to_string(c.nC);
        const Enumeration python = enumerateInPython(values, c.nR, c.nC, c.confidence, c.statistic);
        const PermutationInput input{
            values, c.nR, c.nC, length, ConfidenceLevel(c.confidence).test(), &tables};
        const ObservedSplit observed = judgeObservedSplit(input);
        EXPECT_EQ(observed.t, python.t) << label;
        EXPECT_EQ(findClusters(observed.t, observed.significant, observed.t), python.clusters)
            << label;
        PermutationOptions options;
        options.statistic = c.statistic;
        EXPECT_EQ(computeNullDistribution(input, options).sortedMaxima, python.maxima) << label;
        if (c.step != 0) {
            EXPECT_FALSE(python.clusters.empty()) << label;
        }
    }
}

}  // namespace
}  // namespace trellmark
