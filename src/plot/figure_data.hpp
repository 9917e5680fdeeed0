#pragma once
// What a figure of one run shows: the per-index results of the comparison and the run's summary.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace trellmark {

// A set as the legend names it: the directory and the core name its files were found by.
struct FigureSetLabel {
    std::string directory;
    std::string coreName;
};

// A run of neighbouring indices found by the permutation test; first and last are window
// indices (0 = the window's first sample), both included.
struct FigureCluster {
    std::int64_t first = 0;
    std::int64_t last = 0;
    double mass = 0;
    double p = 0;  // NaN when not known
};

// The takes' spectra, per frequency bin 1 .. N/2 (entry i for bin i + 1, at (i + 1) binHz):
// both sets' mean levels and SDs in dB, t per bin, the significant bins and the clusters
// (first and last as bin numbers). Views into the caller's arrays, as for FigureData.
struct FigureSpectrum {
    double binHz = 0;
    std::span<const double> referenceMeanDb;
    std::span<const double> referenceSdDb;
    std::span<const double> comparisonMeanDb;
    std::span<const double> comparisonSdDb;
    std::span<const double> t;
    std::span<const std::uint8_t> significant;
    std::vector<FigureCluster> clusters;
    std::string verdict;  // the spectrum's own, for the heading
};

// Everything writeFigure draws. The per-index spans are views into arrays the caller owns; they
// must stay alive and unchanged until writeFigure returns, and the figure keeps none of them.
// Every span is either empty (that curve is not drawn) or holds one entry per index of the
// analysis window, as many as referenceMean. All figures of the signals are in LSB at
// bitsPerSample bits.
struct FigureData {
    std::string title;  // names the run; the figure's first line
    FigureSetLabel reference;
    FigureSetLabel comparison;

    std::int32_t sampleRate = 0;         // of the files; 0 leaves out the millisecond scale
    std::int32_t bitsPerSample = 0;      // the LSB unit's depth; 0 says only "LSB"
    std::int64_t startOffset = 17640;    // samples between each file's impulse and index 0
    std::int32_t confidencePercent = 0;  // 95 or 99; 0 when the t heading should not name it

    std::span<const double> referenceMean;
    std::span<const double> referenceStdDev;
    std::span<const double> comparisonMean;
    std::span<const double> comparisonStdDev;
    std::span<const double> difference;  // reference mean minus comparison mean
    std::span<const double> tValue;      // NaN where no t could be formed
    std::span<const double> criticalT;   // NaN where no test applies
    // Of the difference: the band of the difference panel is critical t times this.
    std::span<const double> standardError;
    std::span<const std::uint8_t> significant;  // nonzero where the index differs significantly

    // Absent when the caller has none; the t panel's heading then leaves them out.
    std::optional<std::int64_t> significantCount;
    std::optional<double> expectedByChance;  // significant indices expected if the sets are alike

    std::vector<FigureCluster> clusters;  // empty when no permutation test ran
    double alpha = 0;                     // clusters with p below it are labelled; 0: none
    std::string verdict;                  // "differ" and the like; empty when there is none

    // With a spectrum, two panels below the others: the levels and t over frequency.
    std::optional<FigureSpectrum> spectrum;
};

}  // namespace trellmark
