#include "wave/riff_chunks.hpp"

#include <algorithm>
#include <cstring>

#include "wave/wave_format.hpp"

namespace trellmark {
namespace {

using waveformat::getUint16;
using waveformat::getUint32;

std::uint64_t getUint64(const unsigned char* bytes) {
    return getUint32(bytes) | (static_cast<std::uint64_t>(getUint32(bytes + 4)) << 32);
}

bool tagIs(const unsigned char* bytes, const char (&tag)[5]) {
    return std::memcmp(bytes, tag, 4) == 0;
}

// The sub-format GUIDs of WAVE_FORMAT_EXTENSIBLE end in these 14 bytes; the
// first two hold the format tag.
constexpr unsigned char guidSuffix[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                          0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool readableDepth(std::uint16_t tag, std::uint16_t bits) {
    if (tag == pcmTag) return bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (tag == floatTag) return bits == 32 || bits == 64;
    return false;
}

// What the walk has found so far.
struct Walk {
    RiffLayout layout;
    bool hasFormat = false;
    bool formatCut = false;
    bool formatUnreadable = false;
    bool chunkCut = false;
    bool dataBeforeFormat = false;
    bool hasDs64 = false;
    std::uint64_t ds64DataSize = 0;
};

void readFormat(const ReadAt& readAt, std::int64_t body, std::uint64_t size, Walk& walk) {
    unsigned char bytes[40] = {};
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(size, 40));
    const std::size_t got = readAt(bytes, wanted, body);
    walk.hasFormat = true;
    RiffLayout& layout = walk.layout;
    // Fields past the end of the file read as 0, as a short header's do.
    if (size < 16) {
        walk.formatUnreadable = true;
        return;
    }
    walk.formatCut = got < wanted;
    layout.formatTag = getUint16(bytes);
    layout.channels = getUint16(bytes + 2);
    layout.sampleRate = getUint32(bytes + 4);
    layout.bitsPerSample = getUint16(bytes + 14);
    if (layout.formatTag == extensibleTag) {
        const bool known = got >= 40 && std::memcmp(bytes + 26, guidSuffix, 14) == 0;
        layout.formatTag = known ? getUint16(bytes + 24) : 0;
    }
}

// Whether an empty-looking data chunk at `body` is the last chunk of the file:
// it is unless a whole chunk header with a printable tag, whose chunk fits in
// the file, follows.
bool lastChunkFrom(const ReadAt& readAt, std::int64_t body, std::int64_t fileSize) {
    if (body + 8 > fileSize) return true;
    unsigned char header[8] = {};
    if (readAt(header, 8, body) < 8) return true;
    const bool printable =
        std::all_of(header, header + 4, [](unsigned char c) { return c >= 0x20 && c <= 0x7E; });
    const std::int64_t end = body + 8 + static_cast<std::int64_t>(getUint32(header + 4));
    return !(printable && end <= fileSize);
}

void takeData(const ReadAt& readAt, std::int64_t body, std::uint32_t size32, std::int64_t fileSize,
              Walk& walk) {
    RiffLayout& layout = walk.layout;
    const auto remaining = static_cast<std::uint64_t>(std::max<std::int64_t>(fileSize - body, 0));
    std::uint64_t size = size32;
    bool toEnd = false;
    if (walk.hasDs64 && size32 == 0xFFFFFFFFu) {
        size = walk.ds64DataSize;
    } else if (size32 == 0xFFFFFFFFu) {
        toEnd = size > remaining;  // a size left open by a writer that never finished
    } else if (size32 == 0) {
        toEnd = lastChunkFrom(readAt, body, fileSize);
    }
    layout.hasData = true;
    layout.dataOffset = body;
    layout.dataSize = toEnd ? remaining : size;
    layout.dataCut = !toEnd && size > remaining;
    walk.dataBeforeFormat = !walk.hasFormat;
}

WaveProblem problemOf(const Walk& walk) {
    const RiffLayout& layout = walk.layout;
    if (!walk.hasFormat || walk.formatUnreadable) return WaveProblem::noFormat;
    if (walk.formatCut) return WaveProblem::chunkCut;
    if (layout.channels == 0) return WaveProblem::zeroChannels;
    if (!readableDepth(layout.formatTag, layout.bitsPerSample)) {
        return WaveProblem::unsupportedFormat;
    }
    if (!layout.hasData) return walk.chunkCut ? WaveProblem::chunkCut : WaveProblem::noData;
    if (walk.dataBeforeFormat) return WaveProblem::dataBeforeFormat;
    return WaveProblem::none;
}

}  // namespace

RiffLayout walkRiffChunks(const ReadAt& readAt, std::int64_t fileSize) {
    Walk walk;
    unsigned char header[12] = {};
    const std::size_t got = readAt(header, 12, 0);
    const bool riff = tagIs(header, "RIFF");
    const bool rf64 = tagIs(header, "RF64") || tagIs(header, "BW64");
    if (got < 12 || !(riff || rf64) || !tagIs(header + 8, "WAVE")) {
        walk.layout.problem = WaveProblem::notWave;
        return walk.layout;
    }
    walk.layout.rf64 = rf64;

    std::int64_t position = 12;
    while (position + 8 <= fileSize && !(walk.hasFormat && walk.layout.hasData)) {
        unsigned char chunk[8] = {};
        if (readAt(chunk, 8, position) < 8) break;
        const std::uint32_t size32 = getUint32(chunk + 4);
        const std::int64_t body = position + 8;
        std::uint64_t size = size32;
        if (tagIs(chunk, "ds64") && rf64) {
            unsigned char sizes[16] = {};
            if (readAt(sizes, 16, body) == 16) {
                walk.hasDs64 = true;
                walk.ds64DataSize = getUint64(sizes + 8);
            }
        } else if (tagIs(chunk, "fmt ")) {
            readFormat(readAt, body, size, walk);
        } else if (tagIs(chunk, "data")) {
            takeData(readAt, body, size32, fileSize, walk);
            size = walk.layout.dataSize;  // data that runs to the end leaves no chunk after it
        }
        const auto remaining = static_cast<std::uint64_t>(fileSize - body);
        if (size > remaining) {
            if (!tagIs(chunk, "data")) walk.chunkCut = true;
            break;
        }
        position = body + static_cast<std::int64_t>(size + (size & 1));
    }
    walk.layout.problem = problemOf(walk);
    return walk.layout;
}

}  // namespace trellmark
