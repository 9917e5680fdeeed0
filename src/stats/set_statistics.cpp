#include "stats/set_statistics.hpp"

#include <algorithm>
#include <string_view>

#include "run/console.hpp"
#include "stats/window_accumulator.hpp"
#include "wave/wave_format.hpp"
#include "wave/wave_reader.hpp"

namespace trellmark {
namespace {

// Values loaded at a time while looking for the impulse: a file is never held
// whole, however long it is.
constexpr std::int64_t searchChunk = 65536;

// The last index of the level window, relative to the impulse.
constexpr std::int64_t levelWindowEnd = levelWindowSkip + levelWindowLength;

struct ImpulseSearch {
    std::int64_t position = 0;  // p; sampleCount when nothing lies above the threshold
    bool found = false;
};

ImpulseSearch searchImpulse(const WaveFile& file, const WaveInfo& info, std::int32_t threshold,
                            std::vector<std::int32_t>& chunk) {
    const std::int64_t count = info.sampleCount;
    // A file of another depth has no samples at all, not even zeros to find.
    if (info.bitsPerSample != 16 && info.bitsPerSample != 24) return {count, false};
    const std::int64_t stored = std::min(file.valuesInFile, count);
    for (std::int64_t first = 0; first < stored; first += searchChunk) {
        const std::int64_t length = std::min(searchChunk, stored - first);
        LOADARRAY(file, info, first, length, chunk);
        const std::int64_t x = findImpulse(chunk, threshold);
        if (x < length) return {first + x, true};
    }
    // The values promised beyond the end of the file read as 0; only a negative
    // threshold lies below them, and then the first of them is the impulse.
    if (threshold < 0 && stored < count) return {stored, true};
    return {count, false};
}

// Tells the user which file is suspect; the figures do not depend on it.
std::string_view noteFor(const WaveFile& file, const ImpulseSearch& search,
                         std::int32_t analysisLength) {
    if (!file.opened) return "   This file cannot be opened; it is taken as silence.";
    if (file.fileSize < static_cast<std::int64_t>(waveformat::headerSize)) {
        return "   This file is shorter than a wave header; it is taken as silence.";
    }
    if (!search.found) return "   No sample in this file is above the impulse threshold.";
    const std::int64_t p = search.position;
    const bool levelCut = p + levelWindowEnd >= file.valuesInFile;
    const bool windowCut =
        analysisLength > 0 && p + fixedStartOffset + analysisLength - 1 >= file.valuesInFile;
    if (levelCut || windowCut) {
        return "   This file ends before its level or analysis window does; the missing samples "
               "are taken as 0.";
    }
    return {};
}

}  // namespace

SetStatistics computeSetStatistics(Console& console, const FileSet& set,
                                   const AnalysisParameters& parameters,
                                   std::optional<double> referenceLevel, WaveInfo& info) {
    const std::size_t listed = set.count > 0 ? static_cast<std::size_t>(set.count) : 0;
    const std::size_t files = std::min(listed, set.paths.size());
    const std::int32_t length = parameters.analysisLength;

    SetStatistics statistics;
    statistics.fileCount = static_cast<std::int16_t>(files);
    statistics.levels.reserve(files);
    WindowAccumulator accumulator = startAccumulation(statistics.fileCount, length);
    std::vector<std::int32_t> values;  // one file's search chunk, level or analysis window

    for (std::size_t i = 0; i < files; ++i) {
        const WaveFile file = READWAVEFILE(console, set.paths[i], info);
        const ImpulseSearch search = searchImpulse(file, info, parameters.impulseThreshold, values);
        const std::int64_t p = search.position;

        LOADARRAY(file, info, p + levelWindowSkip + 1, levelWindowLength, values);
        const double level = measureLevel(values);
        statistics.levels.push_back(level);
        // The reference set scales to its own first file.
        if (!referenceLevel) referenceLevel = level;

        LOADARRAY(file, info, p + fixedStartOffset, length, values);
        addWindow(accumulator, values, level, *referenceLevel);

        const std::string_view note = noteFor(file, search, length);
        if (!note.empty()) {
            useLabelColours(console);
            printText(console, note);
            newLine(console);
        }
    }
    values = {};

    finishAccumulation(accumulator, statistics);
    printSetSummary(console, statistics, length, info.bitsPerSample);
    return statistics;
}

}  // namespace trellmark
