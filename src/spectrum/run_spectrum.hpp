#pragma once
// The spectrum verdict of a finished run: every take's level per frequency
// bin from its scaled analysis window, both sets' mean levels, and the test
// bin by bin with its clusters and their permutation p-values.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "analysis/run_results.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// The floor of the density before it is turned into dB, in LSB^2/Hz: a bin
// without power has a level, -200 dB, rather than minus infinity.
constexpr double densityFloor = 1e-20;

struct SpectrumResult {
    int fftSize = 0;
    std::int64_t segments = 0;  // Welch segments per take
    double sampleRate = 0;
    double binHz = 0;  // sampleRate / fftSize: bin k lies at k * binHz
    // Per bin 1 .. fftSize / 2 (DC is left out: the window's mean is not a
    // property of its spectrum), entry i for bin i + 1; in dB re 1 LSB^2/Hz.
    std::vector<double> referenceMeanDb;
    std::vector<double> referenceSdDb;  // denominator n - 1
    std::vector<double> comparisonMeanDb;
    std::vector<double> comparisonSdDb;
    std::int64_t significantCount = 0;
    // The test: t and significant per entry as above; clusters' first and last
    // are bin numbers, their meanDifference the reference's mean level less
    // the comparison's in dB.
    Verdict verdict;
};

// The level of one density, floored.
double levelDb(double density);

// The levels of bins 1 .. size / 2 of every take's window (take-major, as
// takeValues), by Welch's method. REQUIRES: validFftSize(fftSize), every
// window at least fftSize long.
std::vector<double> takeLevels(std::span<const std::int64_t> takeValues, std::int64_t length,
                               int fftSize, double sampleRate);

// `takeValues` as for verdictOfRun; empty with `skipPermutationTest` saying
// why, when the windows were not kept. The clusters' p must be below alpha /
// 2 when halveAlpha is set.
SpectrumResult spectrumOfRun(const RunResults& run, std::span<const std::int64_t> takeValues,
                             int fftSize, const PermutationOptions& options, bool halveAlpha,
                             std::string_view skipPermutationTest);

// The run's verdict from the time domain's and the spectrum's, each made at
// alpha / 2: the sets differ when either finds it; it cannot tell when
// neither does and either cannot tell.
VerdictOutcome combinedOutcome(const Verdict& time, const Verdict& spectrum);

}  // namespace trellmark
