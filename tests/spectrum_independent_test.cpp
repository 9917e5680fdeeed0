// The spectrum against a second statement of its rule with numpy
// (tests/independent_spectrum.py, its own Welch with numpy's FFT, its own
// splits): per-bin frequencies and mean levels, the significant bins, the
// clusters and their p, on a planted tone with every split enumerated, on
// sets of one distribution, and on a planted tone with random splits at 99 %.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "spectrum/run_spectrum.hpp"
#include "support/scratch_directory.hpp"
#include "support/whole_file.hpp"

namespace trellmark {
namespace {

constexpr std::int64_t length = 8192;
constexpr int fftSize = 1024;

std::vector<std::int64_t> takesWithTone(int nR, int nC, double amplitude, std::uint64_t seed) {
    std::mt19937_64 generator(seed);
    std::normal_distribution<double> noise(0, 3);
    std::vector<std::int64_t> values;
    for (int take = 0; take < nR + nC; ++take) {
        const double a = take < nR ? 0 : amplitude;
        for (std::int64_t n = 0; n < length; ++n) {
            const double tone = a * std::sin(2 * std::numbers::pi * 3000 * n / 44100 + take);
            values.push_back(static_cast<std::int64_t>(std::nearbyint(noise(generator) + tone)));
        }
    }
    return values;
}

// The first Python on the path that has numpy, else Debian's own (a Python
// installed beside it may come first on the path without numpy); empty when
// neither has it.
std::string pythonWithNumpy() {
    for (const char* python : {"python3", "/usr/bin/python3"}) {
        const std::string command = std::string(python) + " -c 'import numpy' > /dev/null 2>&1";
        if (std::system(command.c_str()) == 0) return python;
    }
    return {};
}

struct PythonCluster {
    std::int64_t first = 0;
    std::int64_t last = 0;
    double mass = 0;
    double p = 0;
};

struct PythonSpectrum {
    std::vector<double> frequency;
    std::vector<double> referenceMean;
    std::vector<double> comparisonMean;
    std::int64_t significant = -1;
    std::vector<PythonCluster> clusters;
};

PythonSpectrum inPython(const std::vector<std::int64_t>& values, int nR, int nC,
                        std::int16_t confidence, std::int64_t permutations) {
    const testing::ScratchDirectory dir;
    {
        std::ofstream file(dir / "takes.txt");
        file << nR << ' ' << nC << ' ' << confidence << " 44100 " << fftSize << ' ' << permutations
             << " 1\n";
        for (int take = 0; take < nR + nC; ++take) {
            for (std::int64_t j = 0; j < length; ++j) file << values[take * length + j] << ' ';
            file << '\n';
        }
    }
    const std::string command = pythonWithNumpy() +
                                " " TRELLMARK_SOURCE_DIR "/tests/independent_spectrum.py '" +
                                (dir / "takes.txt") + "' > '" + (dir / "out.txt") + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    PythonSpectrum spectrum;
    std::istringstream lines(testing::readWholeFile(dir / "out.txt"));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string word;
        fields >> word;
        if (word == "levels") {
            std::int64_t bin = 0;
            double f = 0, r = 0, c = 0;
            fields >> bin >> f >> r >> c;
            spectrum.frequency.push_back(f);
            spectrum.referenceMean.push_back(r);
            spectrum.comparisonMean.push_back(c);
        } else if (word == "significant") {
            fields >> spectrum.significant;
        } else if (word == "cluster") {
            PythonCluster cluster;
            fields >> cluster.first >> cluster.last >> cluster.mass >> cluster.p;
            spectrum.clusters.push_back(cluster);
        }
    }
    return spectrum;
}

TEST(SpectrumIndependent, AgreesWithASecondStatementOfTheRuleInNumpy) {
    ASSERT_FALSE(pythonWithNumpy().empty())
        << "the check needs python3-numpy (scripts/install-deps.sh installs it)";
    struct Case {
        const char* name;
        int nR, nC;
        double amplitude;
        std::int16_t confidence;
        std::int64_t permutations;
        VerdictOutcome outcome;
    };
    const Case cases[] = {
        {"planted tone, every split", 5, 5, 2, 95, 1000, VerdictOutcome::differ},
        {"one distribution", 6, 5, 0, 95, 1000, VerdictOutcome::doNotDiffer},
        {"planted tone, random splits at 99", 8, 8, 2, 99, 300, VerdictOutcome::differ},
    };
    std::uint64_t seed = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::int64_t> values = takesWithTone(c.nR, c.nC, c.amplitude, ++seed);
        RunResults run;
        run.parameters.analysisLength = length;
        run.parameters.confidenceLevel = c.confidence;
        run.referenceStatistics.fileCount = static_cast<std::int16_t>(c.nR);
        run.comparisonStatistics.fileCount = static_cast<std::int16_t>(c.nC);
        run.scaleFile.sampleRate = 44100;
        PermutationOptions options;
        options.permutations = c.permutations;
        const SpectrumResult program = spectrumOfRun(run, values, fftSize, options, false, {});
        const PythonSpectrum python = inPython(values, c.nR, c.nC, c.confidence, c.permutations);

        EXPECT_EQ(program.verdict.outcome, c.outcome) << program.verdict.reason;
        ASSERT_EQ(python.frequency.size(), program.referenceMeanDb.size());
        for (std::size_t i = 0; i < python.frequency.size(); ++i) {
            EXPECT_DOUBLE_EQ(static_cast<double>(i + 1) * program.binHz, python.frequency[i]);
            EXPECT_NEAR(program.referenceMeanDb[i], python.referenceMean[i], 1e-6) << i;
            EXPECT_NEAR(program.comparisonMeanDb[i], python.comparisonMean[i], 1e-6) << i;
        }
        EXPECT_EQ(program.significantCount, python.significant);
        ASSERT_EQ(program.verdict.clusters.size(), python.clusters.size());
        for (std::size_t k = 0; k < python.clusters.size(); ++k) {
            const ClusterVerdict& mine = program.verdict.clusters[k];
            const PythonCluster& theirs = python.clusters[k];
            EXPECT_EQ(mine.first, theirs.first);
            EXPECT_EQ(mine.last, theirs.last);
            EXPECT_NEAR(mine.mass, theirs.mass, 1e-9 * std::fabs(theirs.mass));
            EXPECT_DOUBLE_EQ(mine.p, theirs.p);
        }
    }
}

}  // namespace
}  // namespace trellmark
