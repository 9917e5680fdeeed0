#pragma once
// Builders of wave file bytes for tests, written out byte by byte so that they
// share no code with the reader and writer they check.

#include <cstdint>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/whole_file.hpp"

namespace trellmark::wavetest {

using Bytes = std::vector<unsigned char>;

inline void appendLittleEndian(Bytes& bytes, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

inline void appendTag(Bytes& bytes, const char* tag) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(tag[i]));
}

// A canonical 44-byte header: RIFF, a 16-byte fmt chunk, the data chunk's tag
// and size. blockAlign and byte rate follow from the other fields.
inline Bytes canonicalHeader(std::uint16_t channels, std::uint32_t sampleRate,
                             std::uint16_t bitsPerSample, std::uint32_t dataSize) {
    Bytes bytes;
    const std::uint32_t blockAlign = channels * ((bitsPerSample + 7u) / 8u);
    appendTag(bytes, "RIFF");
    appendLittleEndian(bytes, dataSize + 36u, 4);
    appendTag(bytes, "WAVE");
    appendTag(bytes, "fmt ");
    appendLittleEndian(bytes, 16, 4);
    appendLittleEndian(bytes, 1, 2);
    appendLittleEndian(bytes, channels, 2);
    appendLittleEndian(bytes, sampleRate, 4);
    appendLittleEndian(bytes, sampleRate * blockAlign, 4);
    appendLittleEndian(bytes, blockAlign, 2);
    appendLittleEndian(bytes, bitsPerSample, 2);
    appendTag(bytes, "data");
    appendLittleEndian(bytes, dataSize, 4);
    return bytes;
}

inline void append16(Bytes& bytes, std::initializer_list<int> values) {
    for (int value : values) appendLittleEndian(bytes, static_cast<std::uint16_t>(value), 2);
}

inline void append24(Bytes& bytes, std::initializer_list<int> values) {
    for (int value : values) appendLittleEndian(bytes, static_cast<std::uint32_t>(value), 3);
}

inline void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A mono take whose impulse (the value `impulse`) stands at index `at`, whose
// level window (at + 6616 .. at + 11025) holds `level` and whose analysis
// window from at + 17640 holds `window`; the file ends with the window.
inline void writeTake(const std::string& path, int bits, std::uint32_t sampleRate, int at,
                      int impulse, int level, const std::vector<int>& window) {
    std::vector<int> values(at + 17640 + window.size(), 0);
    values[at] = impulse;
    for (int i = at + 6616; i <= at + 11025; ++i) values[i] = level;
    for (std::size_t j = 0; j < window.size(); ++j) values[at + 17640 + j] = window[j];
    const int bytes = bits / 8;
    Bytes file = canonicalHeader(1, sampleRate, static_cast<std::uint16_t>(bits),
                                 static_cast<std::uint32_t>(values.size() * bytes));
    for (const int v : values) appendLittleEndian(file, static_cast<std::uint32_t>(v), bytes);
    writeBytes(path, file);
}

// A chunk: tag, size field (the body's size unless `claimedSize` says
// otherwise), body, and the pad byte after an odd-sized body.
inline void appendChunk(Bytes& bytes, const char* tag, const Bytes& body,
                        std::int64_t claimedSize = -1) {
    appendTag(bytes, tag);
    appendLittleEndian(bytes,
                       claimedSize >= 0 ? static_cast<std::uint64_t>(claimedSize) : body.size(), 4);
    bytes.insert(bytes.end(), body.begin(), body.end());
    if (body.size() % 2 == 1) bytes.push_back(0);
}

// A fmt chunk's body of 16, 18 or 40 bytes. At 40 bytes the tag written is
// WAVE_FORMAT_EXTENSIBLE and `formatTag` goes into its sub-format GUID.
inline Bytes formatBody(std::uint16_t formatTag, std::uint16_t channels, std::uint32_t sampleRate,
                        std::uint16_t bitsPerSample, int size = 16) {
    Bytes body;
    const std::uint32_t blockAlign = channels * (bitsPerSample / 8u);
    appendLittleEndian(body, size == 40 ? 0xFFFE : formatTag, 2);
    appendLittleEndian(body, channels, 2);
    appendLittleEndian(body, sampleRate, 4);
    appendLittleEndian(body, sampleRate * blockAlign, 4);
    appendLittleEndian(body, blockAlign, 2);
    appendLittleEndian(body, bitsPerSample, 2);
    if (size >= 18) appendLittleEndian(body, size == 40 ? 22 : 0, 2);
    if (size == 40) {
        appendLittleEndian(body, bitsPerSample, 2);          // valid bits
        appendLittleEndian(body, channels == 1 ? 4 : 3, 4);  // speaker mask
        appendLittleEndian(body, formatTag, 2);
        for (const unsigned char byte :
             {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}) {
            body.push_back(byte);
        }
    }
    return body;
}

// "RIFF" (or riffTag), the size of what follows, "WAVE" and the chunks.
inline Bytes riffFile(const Bytes& chunks, const char* riffTag = "RIFF") {
    Bytes bytes;
    appendTag(bytes, riffTag);
    appendLittleEndian(bytes, chunks.size() + 4, 4);
    appendTag(bytes, "WAVE");
    bytes.insert(bytes.end(), chunks.begin(), chunks.end());
    return bytes;
}

// Values as a file stores them: integers of 8 (offset by 128), 16, 24 or 32
// bits, or IEEE floats of 32 or 64 bits.
inline void appendInteger(Bytes& bytes, int bits, std::int64_t value) {
    if (bits == 8) value += 128;
    appendLittleEndian(bytes, static_cast<std::uint64_t>(value), bits / 8);
}

inline void appendFloat(Bytes& bytes, int bits, double value) {
    std::uint64_t stored = 0;
    if (bits == 32) {
        const float single = static_cast<float>(value);
        std::uint32_t word = 0;
        std::memcpy(&word, &single, 4);
        stored = word;
    } else {
        std::memcpy(&stored, &value, 8);
    }
    appendLittleEndian(bytes, stored, bits / 8);
}

inline Bytes readBytes(const std::string& path) {
    const std::string bytes = testing::readWholeFile(path);
    return Bytes(bytes.begin(), bytes.end());
}

inline std::uint32_t uint32At(const Bytes& bytes, std::size_t offset) {
    return bytes.at(offset) | (bytes.at(offset + 1) << 8) | (bytes.at(offset + 2) << 16) |
           (static_cast<std::uint32_t>(bytes.at(offset + 3)) << 24);
}

inline std::uint16_t uint16At(const Bytes& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes.at(offset) | (bytes.at(offset + 1) << 8));
}

}  // namespace trellmark::wavetest
