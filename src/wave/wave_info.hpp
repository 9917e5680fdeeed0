#pragma once
// The header fields of a wave file, as the run reads and writes them.

#include <cstdint>

namespace trellmark {

// Header fields of the wave file read last. One record serves the whole run;
// every file read overwrites all of it.
struct WaveInfo {
    std::int16_t channels = 0;       // the single byte at offset 22
    std::int32_t sampleRate = 0;     // offset 24
    std::int16_t bitsPerSample = 0;  // offset 34
    std::int32_t dataSize = 0;       // offset 40, bytes
    // dataSize * 8 / (bitsPerSample * channels), to the nearest, ties to even;
    // 0 when that is not finite, negative or beyond 32 bits.
    std::int32_t sampleCount = 0;
};

}  // namespace trellmark
