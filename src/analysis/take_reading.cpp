#include "analysis/take_reading.hpp"

#include <algorithm>
#include <cmath>

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
    FloatProblem floatProblem = FloatProblem::none;  // among the values searched
};

// The first n values of stored: what a search that stopped there looked at.
StoredValues firstValues(StoredValues stored, std::int64_t n) {
    stored.count = std::min(stored.count, n);
    stored.end = std::max(stored.begin, std::min(stored.end, stored.first + n));
    const std::int64_t values = stored.end - stored.begin;
    const std::int64_t size = values > 0 ? (values - 1) * stored.stride + stored.bytesPerValue : 0;
    stored.bytes =
        stored.bytes.first(std::min(static_cast<std::size_t>(size), stored.bytes.size()));
    return stored;
}

ImpulseSearch searchImpulse(HeldWave& held, const WaveInfo& info, std::int32_t threshold) {
    const WaveFile& file = held.file;
    const std::int64_t count = info.sampleCount;
    // A file whose values cannot be read has no samples at all, not even
    // zeros to find.
    if (file.coding == ValueCoding::none) return {count, false};
    const std::int64_t stored = std::min(file.valuesInFile, count);
    ImpulseSearch search{count, false};
    for (std::int64_t first = 0; first < stored; first += searchChunk) {
        const std::int64_t length = std::min(searchChunk, stored - first);
        const StoredValues values = readStored(held, info, first, length, held.bytes);
        // The first value above the threshold, the first strictly above it in
        // the loaded values.
        const std::int64_t x = firstStoredAbove(values, threshold);
        search.floatProblem =
            std::max(search.floatProblem, floatProblemIn(firstValues(values, x + 1)));
        if (x < length) {
            search.position = first + x;
            search.found = true;
            return search;
        }
    }
    // The values promised beyond the end of the file read as 0; only a negative
    // threshold lies below them, and then the first of them is the impulse.
    if (threshold < 0 && stored < count) {
        search.position = stored;
        search.found = true;
    }
    return search;
}

FileNote layoutNote(const WaveFile& file) {
    switch (file.problem) {
        case WaveProblem::notWave:
        case WaveProblem::unsupportedFormat:
            return FileNote::unsupportedFormat;
        case WaveProblem::noFormat:
            return FileNote::noFormatChunk;
        case WaveProblem::zeroChannels:
            return FileNote::zeroChannels;
        case WaveProblem::noData:
            return FileNote::noDataChunk;
        case WaveProblem::chunkCut:
            return FileNote::chunkCut;
        case WaveProblem::dataBeforeFormat:
            return FileNote::dataBeforeFormat;
        case WaveProblem::none:
            break;
    }
    return FileNote::none;
}

FileNote floatNote(FloatProblem problem) {
    switch (problem) {
        case FloatProblem::notANumber:
            return FileNote::floatNotANumber;
        case FloatProblem::infinite:
            return FileNote::floatInfinite;
        case FloatProblem::beyondRange:
            return FileNote::floatBeyondRange;
        case FloatProblem::none:
            break;
    }
    return FileNote::none;
}

FileNote noteFor(const WaveFile& file, const WaveInfo& header, const ImpulseSearch& search,
                 FloatProblem floatProblem, const AnalysisParameters& parameters) {
    if (!file.opened) return FileNote::cannotOpen;
    if (file.fileSize < static_cast<std::int64_t>(waveformat::headerSize)) {
        return FileNote::shorterThanHeader;
    }
    if (const FileNote note = layoutNote(file); note != FileNote::none) return note;
    if (header.channel >= header.channels) return FileNote::missingChannel;
    if (const FileNote note = floatNote(floatProblem); note != FileNote::none) return note;
    if (!search.found) return FileNote::noImpulse;
    const std::int64_t p = search.position;
    const std::int64_t length = parameters.analysisLength;
    const bool levelCut = parameters.alignOnImpulse && p + levelWindowEnd >= file.valuesInFile;
    const bool windowCut =
        length > 0 && p + parameters.startOffset + length - 1 >= file.valuesInFile;
    if (levelCut || windowCut) return FileNote::endsEarly;
    const bool unnamed = !parameters.channelChosen;
    return header.channels > 1 && unnamed ? FileNote::multiChannel : FileNote::none;
}

// The rank of a note: the lower, the worse.
int rankOf(FileNote note) {
    static constexpr FileNote order[] = {FileNote::cannotOpen,
                                         FileNote::shorterThanHeader,
                                         FileNote::unsupportedFormat,
                                         FileNote::noFormatChunk,
                                         FileNote::zeroChannels,
                                         FileNote::noDataChunk,
                                         FileNote::chunkCut,
                                         FileNote::dataBeforeFormat,
                                         FileNote::missingChannel,
                                         FileNote::floatNotANumber,
                                         FileNote::floatInfinite,
                                         FileNote::floatBeyondRange,
                                         FileNote::rateDiffers,
                                         FileNote::channelsDiffer,
                                         FileNote::noImpulse,
                                         FileNote::endsEarly,
                                         FileNote::levelZero,
                                         FileNote::multiChannel,
                                         FileNote::none};
    return static_cast<int>(std::find(std::begin(order), std::end(order), note) - order);
}

}  // namespace

std::int32_t impulseThresholdFor(const AnalysisParameters& parameters, const WaveInfo& header) {
    if (!parameters.thresholdOfFullScale) return parameters.impulseThreshold;
    const double fullScale = header.kind == SampleKind::floating
                                 ? 8388608.0
                                 : std::ldexp(1.0, std::max(header.bitsPerSample - 1, 0));
    const double steps = std::floor(*parameters.thresholdOfFullScale * fullScale);
    return static_cast<std::int32_t>(std::clamp(steps, -2147483648.0, 2147483647.0));
}

FileNote worseNote(FileNote a, FileNote b) {
    return rankOf(b) < rankOf(a) ? b : a;
}

void readTake(TakeReader& reader, const std::string& path, const AnalysisParameters& parameters,
              TakeReading& reading, std::vector<unsigned char>& windowBytes, int channel) {
    HeldWave& held = reader.held;
    openWave(held, path, reading.header, channel);
    const WaveInfo& header = reading.header;
    // A render is read from its first sample: no impulse to look for.
    const bool aligned = parameters.alignOnImpulse;
    const ImpulseSearch search =
        aligned ? searchImpulse(held, header, impulseThresholdFor(parameters, header))
                : ImpulseSearch{0, true};
    const std::int64_t p = search.position;
    FloatProblem floatProblem = search.floatProblem;

    if (aligned && header.kind == SampleKind::floating) {
        const StoredValues level =
            readStored(held, header, p + levelWindowSkip + 1, levelWindowLength, held.bytes);
        floatProblem = std::max(floatProblem, floatProblemIn(level));
        decodeStored(level, reader.floatLevelWindow);
        reading.level = measureLevel(reader.floatLevelWindow);
    } else if (aligned) {
        loadValues(held, header, p + levelWindowSkip + 1, levelWindowLength, reader.levelWindow);
        reading.level = measureLevel(reader.levelWindow);
    }
    reading.window = readStored(held, header, p + parameters.startOffset, parameters.analysisLength,
                                windowBytes);
    floatProblem = std::max(floatProblem, floatProblemIn(reading.window));
    // Without an impulse the level is the analysis window's own.
    if (!aligned && header.kind == SampleKind::floating) {
        decodeStored(reading.window, reader.floatLevelWindow);
        reading.level = measureLevel(reader.floatLevelWindow);
    } else if (!aligned) {
        decodeStored(reading.window, reader.levelWindow);
        reading.level = measureLevel(reader.levelWindow);
    }
    // Unscaled, every take keeps its values as recorded.
    if (!parameters.scaleToLevel) reading.level = 1.0;

    reading.file = held.file;
    reading.impulsePosition = p;
    reading.impulseFound = search.found;
    reading.floatProblem = floatProblem;
    reading.note = noteFor(held.file, header, search, floatProblem, parameters);
}

}  // namespace trellmark
