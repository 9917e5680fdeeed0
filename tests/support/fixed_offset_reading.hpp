#pragma once
// The reading the program had before it walked chunks, kept as the reference
// a canonical file must still read like: four header fields at fixed offsets,
// samples from byte 44 on, 16 or 24 bits, every byte past the end of the file
// read as 0. Works on the bytes of a file held in memory.

#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

namespace trellmark::testing {

struct FixedOffsetHeader {
    std::int16_t channels = 0;       // the single byte at offset 22
    std::int32_t sampleRate = 0;     // offset 24
    std::int16_t bitsPerSample = 0;  // offset 34
    std::int32_t dataSize = 0;       // offset 40, bytes
    // dataSize * 8 / (bitsPerSample * channels), to the nearest, ties to even;
    // 0 when that is not finite, negative or beyond 32 bits.
    std::int32_t sampleCount = 0;
};

inline std::uint32_t fixedOffsetField(std::string_view file, std::size_t offset, int width) {
    std::uint32_t bits = 0;
    for (int k = 0; k < width; ++k) {
        const std::size_t at = offset + static_cast<std::size_t>(k);
        const std::uint32_t byte = at < file.size() ? static_cast<unsigned char>(file[at]) : 0;
        bits |= byte << (8 * k);
    }
    return bits;
}

// The header fields from the first 44 bytes of a file, those past its end 0.
inline FixedOffsetHeader fixedOffsetHeader(std::string_view file) {
    FixedOffsetHeader header;
    header.channels = static_cast<std::int16_t>(fixedOffsetField(file, 22, 1));
    header.sampleRate = static_cast<std::int32_t>(fixedOffsetField(file, 24, 4));
    header.bitsPerSample = static_cast<std::int16_t>(fixedOffsetField(file, 34, 2));
    header.dataSize = static_cast<std::int32_t>(fixedOffsetField(file, 40, 4));
    const double quotient = (header.dataSize * 8.0) / (static_cast<double>(header.bitsPerSample) *
                                                       static_cast<double>(header.channels));
    const double rounded = std::nearbyint(quotient);
    if (std::isfinite(rounded) && rounded >= 0 &&
        rounded <= std::numeric_limits<std::int32_t>::max()) {
        header.sampleCount = static_cast<std::int32_t>(rounded);
    }
    return header;
}

inline int fixedOffsetWidth(std::int16_t bitsPerSample) {
    return bitsPerSample == 16 ? 2 : bitsPerSample == 24 ? 3 : 0;
}

// Values with at least one byte in the file, at most sampleCount.
inline std::int64_t fixedOffsetValuesInFile(std::string_view file,
                                            const FixedOffsetHeader& header) {
    const int width = fixedOffsetWidth(header.bitsPerSample);
    const auto size = static_cast<std::int64_t>(file.size());
    if (width == 0 || size <= 44) return 0;
    const std::int64_t present = (size - 44 + width - 1) / width;
    return present < header.sampleCount ? present : header.sampleCount;
}

// The value at index: 0 outside 0 .. sampleCount - 1, at another depth and
// past the end of the file; a value cut by the end has its missing bytes 0.
inline std::int32_t fixedOffsetValue(std::string_view file, const FixedOffsetHeader& header,
                                     std::int64_t index) {
    const int width = fixedOffsetWidth(header.bitsPerSample);
    if (width == 0 || index < 0 || index >= header.sampleCount) return 0;
    const std::int64_t offset = 44 + index * width;
    if (offset >= static_cast<std::int64_t>(file.size())) return 0;
    const int unused = 32 - 8 * width;
    const std::uint32_t bits = fixedOffsetField(file, static_cast<std::size_t>(offset), width);
    return static_cast<std::int32_t>(bits << unused) >> unused;
}

// count values from first (none for a negative count).
inline std::vector<std::int32_t> fixedOffsetValues(std::string_view file, std::int64_t first,
                                                   std::int64_t count) {
    const FixedOffsetHeader header = fixedOffsetHeader(file);
    std::vector<std::int32_t> values;
    for (std::int64_t i = 0; i < count; ++i) {
        // first + i would overflow only far past any data, where values are 0.
        const bool past = first > 0 && i > std::numeric_limits<std::int64_t>::max() - first;
        values.push_back(past ? 0 : fixedOffsetValue(file, header, first + i));
    }
    return values;
}

}  // namespace trellmark::testing
