#pragma once
// Walks the chunks of a RIFF (or RF64/BW64) wave file to find its format and
// where its samples lie. Chunks may come in any order; unknown ones are
// skipped, with the pad byte that follows an odd-sized chunk.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace trellmark {

// What is wrong with a file's layout, if anything; the first that applies of
// the order below wins.
enum class WaveProblem : std::uint8_t {
    none,
    notWave,            // no RIFF, RF64 or BW64 header naming WAVE
    noFormat,           // no fmt chunk (or one too short to hold the format)
    zeroChannels,       // the fmt chunk counts no channel
    unsupportedFormat,  // a format tag, sub-format or depth that cannot be read
    noData,             // no data chunk
    chunkCut,           // a chunk ahead of the samples runs past the end of the file
    dataBeforeFormat,   // the data chunk comes before the fmt chunk (read all the same)
};

// Format tags after WAVE_FORMAT_EXTENSIBLE is resolved to its sub-format.
constexpr std::uint16_t pcmTag = 1;
constexpr std::uint16_t floatTag = 3;
constexpr std::uint16_t extensibleTag = 0xFFFE;

struct RiffLayout {
    WaveProblem problem = WaveProblem::none;
    bool rf64 = false;            // sizes from the ds64 chunk
    std::uint16_t formatTag = 0;  // pcmTag or floatTag when readable
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t bitsPerSample = 0;  // of a stored value
    bool hasData = false;
    std::int64_t dataOffset = 0;  // of the data chunk's first byte
    std::uint64_t dataSize = 0;   // bytes, as the chunk says (or to the end of the file)
    bool dataCut = false;         // the data runs past the end of the file
};

// Reads up to `size` bytes at `offset` into `bytes`; returns how many arrived.
using ReadAt =
    std::function<std::size_t(unsigned char* bytes, std::size_t size, std::int64_t offset)>;

// The layout of a file of fileSize bytes. Reads only the chunk headers, the
// fmt and ds64 chunks, and stops once format and data are both found.
RiffLayout walkRiffChunks(const ReadAt& readAt, std::int64_t fileSize);

}  // namespace trellmark
