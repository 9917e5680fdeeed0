#pragma once
// Aligns each file of a set on its first impulse, scales it to the reference
// level and folds it into per-index means and standard deviations.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis_events.hpp"
#include "analysis/analysis_parameters.hpp"
#include "analysis/file_set.hpp"
#include "wave/wave_info.hpp"

namespace trellmark {

// Why a file's figures may not be what the user expects. The figures are the
// same with or without a note; it only names the suspect file.
enum class FileNote {
    none,
    cannotOpen,         // read as silence
    shorterThanHeader,  // read as silence
    noImpulse,          // no value above the threshold
    endsEarly,          // the level or analysis window runs past the data
    // What reading recordings of every layout can find; all but the last
    // three, which only say something of the take, leave it read as silence
    // or in part.
    unsupportedFormat,  // no container or format that can be read: silence
    noFormatChunk,      // silence
    noDataChunk,        // silence
    zeroChannels,       // silence
    missingChannel,     // the channel asked for is not in the file: silence
    chunkCut,           // a chunk ahead of the samples runs past the end of the file
    dataBeforeFormat,   // the data chunk comes before the fmt chunk
    floatNotANumber,    // a float take holding NaN: unusable
    floatInfinite,      // a float take holding an infinity: unusable
    floatBeyondRange,   // a float take beyond 256 times full scale: unusable
    rateDiffers,        // another sample rate than the first reference take's
    channelsDiffer,     // another channel count than the first reference take's
    multiChannel,       // more than one channel: channel 1 is analysed
    levelZero,          // the level after the impulse is 0: scaled to silence, sets no scale
};

// What was found in one file of a set.
struct FileReading {
    std::string path;
    WaveInfo header;                      // the file's own header fields
    std::int64_t fileSize = 0;            // bytes; 0 when the file could not be opened
    std::optional<std::int64_t> impulse;  // first index above the threshold; none if no value is
    FileNote note = FileNote::none;
    // A reference take read before any with a level above 0: the takes are
    // scaled to a later one. Its note may be a worse one than levelZero.
    bool setsNoScale = false;
};

struct SetStatistics {
    std::int16_t fileCount = 0;
    // The reference set's take every take is scaled to: the first whose level
    // is above 0; none when no take has a level.
    std::optional<std::size_t> scaleTake;
    std::vector<double> levels;         // per file, in set order (file 1 at index 0)
    std::vector<FileReading> files;     // per file, in set order
    std::vector<double> mean;           // analysisLength entries, LSB
    std::vector<double> unroundedMean;  // the same, of values never rounded to whole LSB
    std::vector<double> stdDev;         // analysisLength entries, denominator n - 1
    double largestStdDev = 0;
    double stdDevSum = 0;
};

// Reads every file of the set in order and folds it in, telling `events` as it
// goes (setStarted, fileStarted before each file is read, fileNoted for a
// suspect file). The reference set passes no reference level and is scaled to
// its first take whose level is above 0. A take whose rate or channel count
// differs from `referenceFormat` (for the reference set: from its first
// readable take) is noted. With `scaledWindows`, every file's analysis window after
// scaling (analysisLength values, LSB at the reference level) is appended to
// it in set order.
SetStatistics computeSetStatistics(const FileSet& set, const AnalysisParameters& parameters,
                                   std::optional<double> referenceLevel, AnalysisEvents& events,
                                   std::vector<std::int64_t>* scaledWindows = nullptr,
                                   const WaveInfo* referenceFormat = nullptr);

// The level every file is scaled to: the scale take's, 0 when the reference
// set has none.
double referenceLevelOf(const SetStatistics& reference);

}  // namespace trellmark
