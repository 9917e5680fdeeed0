#pragma once
// Writes arrays of values as a wave file with the canonical 44-byte
// header: 16- or 24-bit PCM with triangular dither, or 32-bit IEEE float.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "io/output_file.hpp"
#include "wave/wave_info.hpp"

namespace trellmark {

// The run's one 32-bit linear congruential generator; its draws continue from
// file to file, and it starts from the same state in every run.
struct DitherGenerator {
    std::uint32_t state = 0x2545F491u;
    // Next value in [0, 1) with 31 bits of resolution.
    double next();
};

// How the values of a written wave file are stored.
enum class WaveOutputFormat : std::uint8_t {
    none,     // no file can be written
    pcm16,    // in 16-bit LSB
    pcm24,    // in 24-bit LSB
    float32,  // the values are in 24-bit LSB: 2^23 of them is 1.0
};

// The format of the written files for figures in the units of a take of this
// format: 8- and 16-bit takes give 16-bit files, 24- and 32-bit ones 24-bit
// files, float takes (whose values are in 24-bit steps) float files; none for
// a take whose values could not be read.
WaveOutputFormat outputFormatFor(const WaveInfo& take);

// What figures in the units of a take of this format are called, and how
// they go into the written files.
struct OutputUnits {
    WaveOutputFormat format = WaveOutputFormat::none;  // outputFormatFor
    // The bits of the LSB the figures count: the take's depth for an integer
    // take, 24 for a float take (its values are in 24-bit steps); 0 when the
    // take's values could not be read.
    std::int16_t figureBits = 0;
    // Figures times this are in LSB of the written files: 256 for an 8-bit
    // take, 1/256 for a 32-bit one, 1 for every other.
    double scale = 1.0;
};
OutputUnits outputUnitsFor(const WaveInfo& take);

// pcm16 for 16, pcm24 for 24, none for any other depth.
WaveOutputFormat pcmOutputFormat(std::int16_t bitsPerSample);

// Bits per stored value of a format; 0 for none.
std::int16_t outputBits(WaveOutputFormat format);

// Writes signal[0 .. sampleCount - 1] (in LSB of the format) to fileName.
// PCM values beyond the depth's range are clipped, float values are written
// undithered as they are (NaN as 0), though the dither generator moves on by
// the draws a PCM file of the length would take, so that the files after it
// get the same draws either way. An existing file is replaced whole once the
// new one is complete; format none, and every name openOutputFile refuses
// (among them any of `inputs`), write no file; a negative count is taken as 0.
// Returns false, with `failure` set when given, when the file could not be
// written; the run goes on either way.
bool writeWave(const std::string& fileName, std::int32_t sampleCount, std::int32_t sampleRate,
               WaveOutputFormat format, const std::vector<double>& signal, DitherGenerator& dither,
               std::span<const FileIdentity> inputs = {}, std::string* failure = nullptr);

// The same with one signal per channel, frame after frame, the dither drawn
// value by value in that order; more than 65535 channels write no file.
bool writeWaveChannels(const std::string& fileName, std::int32_t sampleCount,
                       std::int32_t sampleRate, WaveOutputFormat format,
                       std::span<const std::vector<double>> channels, DitherGenerator& dither,
                       std::span<const FileIdentity> inputs = {}, std::string* failure = nullptr);

// The same at a PCM depth: 16 or 24 bits; any other writes no file.
bool writeWave(const std::string& fileName, std::int32_t sampleCount, std::int32_t sampleRate,
               std::int16_t bitsPerSample, const std::vector<double>& signal,
               DitherGenerator& dither, std::span<const FileIdentity> inputs = {},
               std::string* failure = nullptr);

}  // namespace trellmark
