#include "spectrum/run_spectrum.hpp"

#include <algorithm>
#include <cmath>

#include "spectrum/level_test.hpp"
#include "spectrum/welch_density.hpp"

namespace trellmark {
namespace {

struct MeanAndSd {
    std::vector<double> mean;
    std::vector<double> sd;
};

MeanAndSd setLevels(std::span<const double> levels, int firstTake, int takes, std::size_t bins) {
    MeanAndSd result{std::vector<double>(bins, 0.0), std::vector<double>(bins, 0.0)};
    for (int take = firstTake; take < firstTake + takes; ++take) {
        for (std::size_t k = 0; k < bins; ++k) result.mean[k] += levels[take * bins + k];
    }
    for (std::size_t k = 0; k < bins; ++k) result.mean[k] /= takes;
    for (int take = firstTake; take < firstTake + takes && takes > 1; ++take) {
        for (std::size_t k = 0; k < bins; ++k) {
            const double d = levels[take * bins + k] - result.mean[k];
            result.sd[k] += d * d;
        }
    }
    for (std::size_t k = 0; k < bins; ++k) {
        result.sd[k] = takes > 1 ? std::sqrt(result.sd[k] / (takes - 1)) : 0.0;
    }
    return result;
}

}  // namespace

double levelDb(double density) {
    return 10 * std::log10(std::max(density, densityFloor));
}

std::vector<double> takeLevels(std::span<const std::int64_t> takeValues, std::int64_t length,
                               int fftSize, double sampleRate) {
    const auto bins = static_cast<std::size_t>(fftSize / 2);
    const std::size_t takes = length > 0 ? takeValues.size() / length : 0;
    std::vector<double> levels(takes * bins);
    WelchTransform transform(fftSize);
    for (std::size_t take = 0; take < takes; ++take) {
        const std::vector<double> density =
            transform.density(takeValues.subspan(take * length, length), sampleRate);
        for (std::size_t k = 0; k < bins; ++k) levels[take * bins + k] = levelDb(density[k + 1]);
    }
    return levels;
}

SpectrumResult spectrumOfRun(const RunResults& run, std::span<const std::int64_t> takeValues,
                             int fftSize, const PermutationOptions& options, bool halveAlpha,
                             std::string_view skipPermutationTest) {
    SpectrumResult result;
    const std::int64_t length = std::max(run.parameters.analysisLength, 0);
    const int nR = run.referenceStatistics.fileCount;
    const int nC = run.comparisonStatistics.fileCount;
    const TestLevel level = run.parameters.confidenceLevel.test();
    result.fftSize = fftSize;
    result.segments = welchSegments(length, fftSize);
    result.sampleRate = run.scaleFile.sampleRate;
    result.binHz = result.sampleRate / fftSize;
    result.verdict.alpha = alphaOf(level) / (halveAlpha ? 2 : 1);
    result.verdict.alphaHalved = halveAlpha;
    result.verdict.seed = options.seed;
    if (nR < 2 || nC < 2) {
        result.verdict.reason =
            nR < 2
                ? "The reference set has fewer than two takes: it has no scatter to test against."
                : "The comparison set has fewer than two takes: it has no scatter to test against.";
        return result;
    }
    if (!validFftSize(fftSize) || result.segments == 0) {
        result.verdict.reason = "The analysis window is shorter than one FFT segment.";
        return result;
    }
    if (!skipPermutationTest.empty()) {
        result.verdict.reason =
            "The spectrum was not computed: the takes' windows were not kept: " +
            std::string(skipPermutationTest);
        return result;
    }
    if (takeValues.size() != static_cast<std::size_t>(nR + nC) * length || nR < 1 || nC < 1 ||
        !(result.sampleRate > 0)) {
        result.verdict.reason =
            "The spectrum was not computed: the takes' windows are not at hand.";
        return result;
    }
    const auto bins = static_cast<std::size_t>(fftSize / 2);
    const std::vector<double> levels = takeLevels(takeValues, length, fftSize, result.sampleRate);
    MeanAndSd reference = setLevels(levels, 0, nR, bins);
    MeanAndSd comparison = setLevels(levels, nR, nC, bins);
    result.referenceMeanDb = std::move(reference.mean);
    result.referenceSdDb = std::move(reference.sd);
    result.comparisonMeanDb = std::move(comparison.mean);
    result.comparisonSdDb = std::move(comparison.sd);

    const CriticalValueTable tables = buildCriticalValueTables();
    LevelTestInput input;
    input.levels = levels;
    input.referenceTakes = nR;
    input.comparisonTakes = nC;
    input.bins = static_cast<std::int64_t>(bins);
    input.level = level;
    input.alpha = result.verdict.alpha;
    input.tables = &tables;
    input.options = options;
    result.verdict = testLevels(input);
    // Positions in the levels are bins from 1 on.
    for (ClusterVerdict& cluster : result.verdict.clusters) {
        ++cluster.first;
        ++cluster.last;
    }
    result.significantCount = std::count(result.verdict.significant.begin(),
                                         result.verdict.significant.end(), std::uint8_t{1});
    return result;
}

VerdictOutcome combinedOutcome(const Verdict& time, const Verdict& spectrum) {
    if (time.outcome == VerdictOutcome::differ || spectrum.outcome == VerdictOutcome::differ) {
        return VerdictOutcome::differ;
    }
    if (time.outcome == VerdictOutcome::cannotTell ||
        spectrum.outcome == VerdictOutcome::cannotTell) {
        return VerdictOutcome::cannotTell;
    }
    return VerdictOutcome::doNotDiffer;
}

}  // namespace trellmark
