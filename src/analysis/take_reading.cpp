#include "analysis/take_reading.hpp"

#include <algorithm>

#include "analysis/impulse_level.hpp"
#include "wave/wave_format.hpp"

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

ImpulseSearch searchImpulse(HeldWave& held, const WaveInfo& info, std::int32_t threshold) {
    const WaveFile& file = held.file;
    const std::int64_t count = info.sampleCount;
    // A file of another depth has no samples at all, not even zeros to find.
    if (info.bitsPerSample != 16 && info.bitsPerSample != 24) return {count, false};
    const std::int64_t stored = std::min(file.valuesInFile, count);
    for (std::int64_t first = 0; first < stored; first += searchChunk) {
        const std::int64_t length = std::min(searchChunk, stored - first);
        // The first value above the threshold, as findImpulse would find it in
        // the loaded values.
        const std::int64_t x =
            firstStoredAbove(readStored(held, info, first, length, held.bytes), threshold);
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

void readTake(TakeReader& reader, const std::string& path, const AnalysisParameters& parameters,
              TakeReading& reading, std::vector<unsigned char>& windowBytes) {
    HeldWave& held = reader.held;
    openWave(held, path, reading.header);
    const WaveInfo& header = reading.header;
    const ImpulseSearch search = searchImpulse(held, header, parameters.impulseThreshold);
    const std::int64_t p = search.position;

    loadValues(held, header, p + levelWindowSkip + 1, levelWindowLength, reader.levelWindow);
    reading.level = measureLevel(reader.levelWindow);
    reading.window = readStored(held, header, p + parameters.startOffset, parameters.analysisLength,
                                windowBytes);

    reading.file = held.file;
    reading.impulsePosition = p;
    reading.impulseFound = search.found;
    reading.note = noteFor(held.file, search, parameters);
}

}  // namespace trellmark
