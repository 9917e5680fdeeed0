#include "analysis/set_statistics.hpp"

#include <algorithm>

#include "analysis/impulse_level.hpp"
#include "analysis/window_accumulator.hpp"
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

FileNote noteFor(const WaveFile& file, const ImpulseSearch& search,
                 const AnalysisParameters& parameters) {
    if (!file.opened) return FileNote::cannotOpen;
    if (file.fileSize < static_cast<std::int64_t>(waveformat::headerSize)) {
        return FileNote::shorterThanHeader;
    }
    if (!search.found) return FileNote::noImpulse;
    const std::int64_t p = search.position;
    const std::int64_t length = parameters.analysisLength;
    const bool levelCut = p + levelWindowEnd >= file.valuesInFile;
    const bool windowCut =
        length > 0 && p + parameters.startOffset + length - 1 >= file.valuesInFile;
    return levelCut || windowCut ? FileNote::endsEarly : FileNote::none;
}

}  // namespace

SetStatistics computeSetStatistics(const FileSet& set, const AnalysisParameters& parameters,
                                   std::optional<double> referenceLevel, WaveInfo& lastFile,
                                   AnalysisEvents& events) {
    const std::size_t listed = set.count > 0 ? static_cast<std::size_t>(set.count) : 0;
    const std::size_t files = std::min(listed, set.paths.size());
    const std::int32_t length = parameters.analysisLength;
    events.setStarted(set);

    SetStatistics statistics;
    statistics.fileCount = static_cast<std::int16_t>(files);
    statistics.levels.reserve(files);
    statistics.files.reserve(files);
    WindowAccumulator accumulator = startAccumulation(statistics.fileCount, length);
    std::vector<std::int32_t> values;  // one file's search chunk, level or analysis window

    for (std::size_t i = 0; i < files; ++i) {
        events.fileStarted(set, i);
        const WaveFile file = READWAVEFILE(set.paths[i], lastFile);
        const ImpulseSearch search =
            searchImpulse(file, lastFile, parameters.impulseThreshold, values);
        const std::int64_t p = search.position;

        LOADARRAY(file, lastFile, p + levelWindowSkip + 1, levelWindowLength, values);
        const double level = measureLevel(values);
        statistics.levels.push_back(level);
        // The reference set scales to its own first file.
        if (!referenceLevel) referenceLevel = level;

        LOADARRAY(file, lastFile, p + parameters.startOffset, length, values);
        addWindow(accumulator, values, level, *referenceLevel);

        FileReading& reading = statistics.files.emplace_back();
        reading.path = set.paths[i];
        reading.header = lastFile;
        reading.fileSize = file.fileSize;
        if (search.found) reading.impulse = p;
        reading.note = noteFor(file, search, parameters);
        if (reading.note != FileNote::none) events.fileNoted(reading);
    }
    values = {};

    finishAccumulation(accumulator, statistics);
    events.setFinished(statistics, lastFile);
    return statistics;
}

double referenceLevelOf(const SetStatistics& reference) {
    // Without a reference file every comparison file scales to silence.
    return reference.levels.empty() ? 0.0 : reference.levels.front();
}

}  // namespace trellmark
