#pragma once
// Aligns each file of a set on its first impulse, scales it to the reference
// level and folds it into per-index means and standard deviations.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "run/analysis_parameters.hpp"
#include "run/file_set.hpp"
#include "wave/wave_info.hpp"

namespace trellmark {

struct Console;

constexpr std::int64_t levelWindowSkip = 6615;  // the level window starts after p + 6615
constexpr std::int64_t levelWindowLength = 4410;

struct SetStatistics {
    std::int16_t fileCount = 0;
    std::vector<double> levels;  // per file, in set order (file 1 at index 0)
    std::vector<double> mean;    // analysisLength entries
    std::vector<double> stdDev;  // analysisLength entries, denominator n - 1
    double largestStdDev = 0;
    double stdDevSum = 0;
};

// Index of the first value strictly above threshold; values.size() when none.
std::int64_t findImpulse(std::span<const std::int32_t> values, std::int32_t threshold);

// Root mean square of the 4410 values of a level window (the values at
// p + 6616 .. p + 11025 of a file).
double measureLevel(std::span<const std::int32_t> levelWindow);

// Reads every file of the set in order ("   Reading " lines, and at most one
// note line per suspect file), then prints the set's summary. The reference
// set passes no reference level and is scaled to its own first file.
// info holds the last file's header afterwards.
SetStatistics computeSetStatistics(Console& console, const FileSet& set,
                                   const AnalysisParameters& parameters,
                                   std::optional<double> referenceLevel, WaveInfo& info);

// The level every file is scaled to: the first reference file's, 0 for an empty
// reference set.
double referenceLevelOf(const SetStatistics& reference);

// A blank row, the two summary lines with their figures at column 70, and two
// more blank rows.
void printSetSummary(Console& console, const SetStatistics& statistics, std::int32_t analysisLength,
                     std::int16_t bitsPerSample);

}  // namespace trellmark
