#include "wave/wave_writer.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "io/output_file.hpp"
#include "wave/wave_format.hpp"

namespace trellmark {
namespace {

using namespace waveformat;

constexpr std::uint32_t ditherMultiplier = 2056u * 65536u + 33797u;

// Moves the generator on by count draws in O(log count) steps, for files that
// are not written: later files must get the same draws whether or not an
// earlier one could be created. Composes the affine map s -> a*s + c with
// itself by repeated squaring, all modulo 2^32.
void skipDraws(DitherGenerator& dither, std::uint64_t count) {
    std::uint32_t multiplier = ditherMultiplier;
    std::uint32_t increment = 1;
    std::uint32_t totalMultiplier = 1;
    std::uint32_t totalIncrement = 0;
    while (count > 0) {
        if (count & 1) {
            totalMultiplier = totalMultiplier * multiplier;
            totalIncrement = totalIncrement * multiplier + increment;
        }
        increment = increment * multiplier + increment;
        multiplier = multiplier * multiplier;
        count >>= 1;
    }
    dither.state = dither.state * totalMultiplier + totalIncrement;
}

// Rounds to the nearest integer, ties to even, clipped to the depth's range so
// that an overload shows as a flat top and never wraps to the other sign.
std::int32_t toStoredValue(double value, std::int32_t lowest, std::int32_t highest) {
    if (std::isnan(value)) return 0;
    value = std::clamp(value, static_cast<double>(lowest), static_cast<double>(highest));
    return static_cast<std::int32_t>(std::llrint(value));
}

void putHeader(unsigned char* header, std::int16_t bytesPerFrame, std::uint16_t channels,
               std::int32_t dataSize, std::int32_t sampleRate, std::int16_t bitsPerSample,
               std::uint16_t formatTag) {
    putTag(header + riffTagOffset, "RIFF");
    putUint32(header + riffSizeOffset, static_cast<std::uint32_t>(dataSize) + riffSizeOverData);
    putTag(header + waveTagOffset, "WAVE");
    putTag(header + fmtTagOffset, "fmt ");
    putUint32(header + fmtSizeOffset, canonicalFmtSize);
    putUint16(header + formatTagOffset, formatTag);
    putUint16(header + channelsOffset, channels);
    putUint32(header + sampleRateOffset, static_cast<std::uint32_t>(sampleRate));
    // The 32-bit field keeps the low 32 bits of a product that overflows.
    putUint32(header + byteRateOffset,
              static_cast<std::uint32_t>(bytesPerFrame) * static_cast<std::uint32_t>(sampleRate));
    putUint16(header + blockAlignOffset, static_cast<std::uint16_t>(bytesPerFrame));
    putUint16(header + bitsPerSampleOffset, static_cast<std::uint16_t>(bitsPerSample));
    putTag(header + dataTagOffset, "data");
    putUint32(header + dataSizeOffset, static_cast<std::uint32_t>(dataSize));
}

// A float value in the file's units: 1.0 is 2^23 of the signal's LSB.
void putFloat(unsigned char* cell, double value) {
    const float stored = std::isnan(value) ? 0.0f : static_cast<float>(value / 8388608.0);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &stored, sizeof bits);
    putUint32(cell, bits);
}

bool writeWaveFile(const std::string& fileName, std::int32_t sampleCount, std::int32_t sampleRate,
                   WaveOutputFormat format, std::span<const std::vector<double>> channels,
                   DitherGenerator& dither, std::span<const FileIdentity> inputs,
                   std::string& failure) {
    if (format == WaveOutputFormat::none) {
        failure = "a wave file is written only at 16 or 24 bits or as 32-bit float";
        return false;
    }
    const std::int16_t bitsPerSample = outputBits(format);
    const bool floating = format == WaveOutputFormat::float32;
    const auto bytesPerValue = static_cast<std::int16_t>(bitsPerSample / 8);
    const std::int64_t count = std::max<std::int32_t>(sampleCount, 0);
    const auto width = static_cast<std::int64_t>(channels.size());
    const std::int64_t dataSize = bytesPerValue * width * count;
    const std::uint64_t draws = 2 * static_cast<std::uint64_t>(count * width);

    // A data area the 32-bit size fields cannot describe is not written at
    // all: the header must never lie about the data behind it.
    if (width == 0 || width > std::numeric_limits<std::uint16_t>::max()) {
        skipDraws(dither, draws);
        failure = "a wave file holds 1 to 65535 channels";
        return false;
    }
    if (dataSize > std::numeric_limits<std::int32_t>::max()) {
        skipDraws(dither, draws);
        failure = "too many samples for a wave file";
        return false;
    }
    // The data area is built before the file is opened, so that a failed
    // allocation leaves an existing file of that name as it was.
    std::vector<unsigned char> bytes;
    try {
        bytes.resize(headerSize + static_cast<std::size_t>(dataSize));
    } catch (const std::bad_alloc&) {
        skipDraws(dither, draws);
        failure = "not enough memory";
        return false;
    }
    OutputFile file = openOutputFile(fileName, inputs, failure);
    if (file.fd < 0) {
        skipDraws(dither, draws);
        return false;
    }
    putHeader(bytes.data(), static_cast<std::int16_t>(bytesPerValue * width),
              static_cast<std::uint16_t>(width), static_cast<std::int32_t>(dataSize), sampleRate,
              bitsPerSample, floating ? floatFormatTag : pcmFormatTag);
    // A short signal array is padded with silence rather than read past.
    const auto valueAt = [](const std::vector<double>& signal, std::int64_t i) {
        return i < static_cast<std::int64_t>(signal.size()) ? signal[i] : 0.0;
    };

    const std::int32_t highest = bitsPerSample == 16 ? 32767 : 8388607;
    const std::int32_t lowest = -highest - 1;
    unsigned char* cell = bytes.data() + headerSize;
    if (floating) {
        for (std::int64_t i = 0; i < count; ++i) {
            for (const std::vector<double>& signal : channels) {
                putFloat(cell, valueAt(signal, i));
                cell += bytesPerValue;
            }
        }
        skipDraws(dither, draws);
    }
    for (std::int64_t k = 0; k < count * width && !floating; ++k, cell += bytesPerValue) {
        const double input = valueAt(channels[static_cast<std::size_t>(k % width)], k / width);
        double value = dither.next() + input;
        value = value + dither.next();
        value = value - 1;
        const std::int32_t stored = toStoredValue(value, lowest, highest);
        if (bytesPerValue == 2) {
            putUint16(cell, static_cast<std::uint16_t>(stored));
        } else {
            putInt24(cell, stored);
        }
    }
    const bool allWritten = writeOutputBytes(
        file, {reinterpret_cast<const char*>(bytes.data()), bytes.size()}, failure);
    return finishOutputFile(file, allWritten, false, failure);
}

}  // namespace

double DitherGenerator::next() {
    state = state * ditherMultiplier + 1u;
    return static_cast<double>(state >> 1) * (1.0 / 2147483648.0);
}

WaveOutputFormat outputFormatFor(const WaveInfo& take) {
    if (take.kind == SampleKind::floating) return WaveOutputFormat::float32;
    if (take.kind != SampleKind::integer) return WaveOutputFormat::none;
    return take.bitsPerSample <= 16 ? WaveOutputFormat::pcm16 : WaveOutputFormat::pcm24;
}

OutputUnits outputUnitsFor(const WaveInfo& take) {
    OutputUnits units;
    units.format = outputFormatFor(take);
    if (take.kind == SampleKind::floating) units.figureBits = 24;
    if (take.kind == SampleKind::integer) units.figureBits = take.bitsPerSample;
    if (units.figureBits == 8) units.scale = 256.0;
    if (units.figureBits == 32) units.scale = 1.0 / 256.0;
    return units;
}

WaveOutputFormat pcmOutputFormat(std::int16_t bitsPerSample) {
    if (bitsPerSample == 16) return WaveOutputFormat::pcm16;
    if (bitsPerSample == 24) return WaveOutputFormat::pcm24;
    return WaveOutputFormat::none;
}

std::int16_t outputBits(WaveOutputFormat format) {
    switch (format) {
        case WaveOutputFormat::pcm16:
            return 16;
        case WaveOutputFormat::pcm24:
            return 24;
        case WaveOutputFormat::float32:
            return 32;
        case WaveOutputFormat::none:
            break;
    }
    return 0;
}

bool writeWave(const std::string& fileName, std::int32_t sampleCount, std::int32_t sampleRate,
               WaveOutputFormat format, const std::vector<double>& signal, DitherGenerator& dither,
               std::span<const FileIdentity> inputs, std::string* failure) {
    return writeWaveChannels(fileName, sampleCount, sampleRate, format, {&signal, 1}, dither,
                             inputs, failure);
}

bool writeWaveChannels(const std::string& fileName, std::int32_t sampleCount,
                       std::int32_t sampleRate, WaveOutputFormat format,
                       std::span<const std::vector<double>> channels, DitherGenerator& dither,
                       std::span<const FileIdentity> inputs, std::string* failure) {
    std::string why;
    const bool written =
        writeWaveFile(fileName, sampleCount, sampleRate, format, channels, dither, inputs, why);
    if (!written && failure != nullptr) *failure = why;
    return written;
}

bool writeWave(const std::string& fileName, std::int32_t sampleCount, std::int32_t sampleRate,
               std::int16_t bitsPerSample, const std::vector<double>& signal,
               DitherGenerator& dither, std::span<const FileIdentity> inputs,
               std::string* failure) {
    if (pcmOutputFormat(bitsPerSample) == WaveOutputFormat::none) {
        if (failure != nullptr) {
            *failure = "a wave file is written only at 16 or 24 bits, not at " +
                       std::to_string(bitsPerSample);
        }
        return false;
    }
    return writeWave(fileName, sampleCount, sampleRate, pcmOutputFormat(bitsPerSample), signal,
                     dither, inputs, failure);
}

}  // namespace trellmark
