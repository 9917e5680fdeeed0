#pragma once
// The canonical 44-byte wave header the writer writes (the reader finds its
// fields by walking the chunks): where each field sits and how its bytes are
// coded (least-significant byte first).

#include <cstddef>
#include <cstdint>

namespace trellmark::waveformat {

constexpr std::size_t headerSize = 44;  // the samples of a canonical file begin here

constexpr std::size_t riffTagOffset = 0;
constexpr std::size_t riffSizeOffset = 4;  // bytes after this field: data size + 36
constexpr std::size_t waveTagOffset = 8;
constexpr std::size_t fmtTagOffset = 12;
constexpr std::size_t fmtSizeOffset = 16;
constexpr std::size_t formatTagOffset = 20;
constexpr std::size_t channelsOffset = 22;
constexpr std::size_t sampleRateOffset = 24;
constexpr std::size_t byteRateOffset = 28;
constexpr std::size_t blockAlignOffset = 32;
constexpr std::size_t bitsPerSampleOffset = 34;
constexpr std::size_t dataTagOffset = 36;
constexpr std::size_t dataSizeOffset = 40;

constexpr std::uint32_t canonicalFmtSize = 16;
constexpr std::uint16_t pcmFormatTag = 1;
constexpr std::uint16_t floatFormatTag = 3;
// The RIFF size counts everything after its own field: "WAVE", the fmt chunk
// and the data chunk's tag and size field.
constexpr std::uint32_t riffSizeOverData = 36;

inline std::uint16_t getUint16(const unsigned char* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t getUint32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

inline void putUint16(unsigned char* bytes, std::uint16_t value) {
    bytes[0] = static_cast<unsigned char>(value & 0xFF);
    bytes[1] = static_cast<unsigned char>(value >> 8);
}

inline void putUint32(unsigned char* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
}

// The low 24 bits of a two's-complement value, bits 0-7 first.
inline void putInt24(unsigned char* bytes, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 3; ++i) bytes[i] = static_cast<unsigned char>((bits >> (8 * i)) & 0xFF);
}

inline void putTag(unsigned char* bytes, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(tag[i]);
}

}  // namespace trellmark::waveformat
