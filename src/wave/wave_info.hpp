#pragma once
// What the run knows of a recording's format, as the reader found it and the
// writer writes it.

#include <cstdint>
#include <string_view>

namespace trellmark {

// How the values of a recording are coded.
enum class SampleKind : std::uint8_t {
    none,      // no values can be read: every value reads as 0
    integer,   // whole numbers: 8 bits (stored with an offset of 128), 16, 24 or 32
    floating,  // IEEE float of 32 or 64 bits, 1.0 the full scale
};

// The format fields of one recording. One record serves each file read; every
// file read overwrites all of it.
struct WaveInfo {
    std::int16_t channels = 0;       // in the file; one of them is read
    std::int32_t sampleRate = 0;     // values a second
    std::int16_t bitsPerSample = 0;  // as stored: 8, 16, 24, 32 or 64
    // Bytes of the data as its header gives them (a size past the end of the
    // file is kept: the values it promises beyond the end read as 0).
    std::int64_t dataSize = 0;
    // dataSize * 8 / (bitsPerSample * channels), to the nearest, ties to even;
    // 0 when that is not finite or below 0. Values of the channel read.
    std::int64_t sampleCount = 0;
    SampleKind kind = SampleKind::none;
    std::string_view format = {};  // "WAV PCM", "WAV float", "FLAC", ...; empty when unknown
    std::int64_t dataOffset = 0;   // where the first value lies in the file, bytes
    std::int16_t channel = 0;      // the channel read, counting from 0
};

}  // namespace trellmark
