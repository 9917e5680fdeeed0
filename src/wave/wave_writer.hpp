#pragma once
// Writes an array of values as a mono PCM wave file with the canonical 44-byte
// header and triangular dither.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "io/output_file.hpp"

namespace trellmark {

// The run's one 32-bit linear congruential generator; its draws continue from
// file to file, and it starts from the same state in every run.
struct DitherGenerator {
    std::uint32_t state = 0x2545F491u;
    // Next value in [0, 1) with 31 bits of resolution.
    double next();
};

// Writes signal[0 .. sampleCount - 1] (in LSB of the target depth) to fileName.
// Values beyond the depth's range are clipped; an existing file is replaced
// whole once the new one is complete; a depth other than 16 or 24, and every
// name openOutputFile refuses (among them any of `inputs`), write no file; a
// negative count is taken as 0. Returns false, with `failure` set when given,
// when the file could not be written; the run goes on either way.
bool WRITEWAVE(const std::string& fileName, std::int32_t sampleCount, std::int32_t sampleRate,
               std::int16_t bitsPerSample, const std::vector<double>& signal,
               DitherGenerator& dither, std::span<const FileIdentity> inputs = {},
               std::string* failure = nullptr);

}  // namespace trellmark
