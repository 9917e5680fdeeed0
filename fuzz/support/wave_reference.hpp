#pragma once
// What the reader promises for a file held in memory, worked out the plain way:
// header fields at fixed offsets, exact integer rounding of the sample count,
// values at 44 + index * width with bytes past the end read as 0. The fuzz
// targets hold the reader's answers against these.

#include <cstdint>
#include <limits>
#include <string_view>

namespace trellmark::fuzz {

inline std::uint32_t littleEndian(std::string_view file, std::size_t offset, int width) {
    std::uint32_t bits = 0;
    for (int k = 0; k < width; ++k) {
        const std::size_t at = offset + static_cast<std::size_t>(k);
        const std::uint32_t byte = at < file.size() ? static_cast<unsigned char>(file[at]) : 0;
        bits |= byte << (8 * k);
    }
    return bits;
}

// Bytes per value: 2 at 16 bits, 3 at 24, 0 at any other depth.
inline int valueWidth(std::int16_t bitsPerSample) {
    return bitsPerSample == 16 ? 2 : bitsPerSample == 24 ? 3 : 0;
}

// dataSize * 8 / (bits * channels) rounded to the nearest, ties to even, in
// integers; 0 when it is not a finite, non-negative 32-bit count.
inline std::int32_t referenceSampleCount(std::int32_t dataSize, std::int16_t bitsPerSample,
                                         std::int16_t channels) {
    std::int64_t numerator = static_cast<std::int64_t>(dataSize) * 8;
    std::int64_t denominator = static_cast<std::int64_t>(bitsPerSample) * channels;
    if (denominator == 0) return 0;
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    if (numerator <= 0) return 0;
    std::int64_t quotient = numerator / denominator;
    const std::int64_t twiceRemainder = 2 * (numerator % denominator);
    if (twiceRemainder > denominator || (twiceRemainder == denominator && quotient % 2 == 1)) {
        ++quotient;
    }
    return quotient > std::numeric_limits<std::int32_t>::max()
               ? 0
               : static_cast<std::int32_t>(quotient);
}

struct ReferenceHeader {
    std::int16_t channels = 0;
    std::int32_t sampleRate = 0;
    std::int16_t bitsPerSample = 0;
    std::int32_t dataSize = 0;
    std::int32_t sampleCount = 0;
};

inline ReferenceHeader referenceHeader(std::string_view file) {
    ReferenceHeader header;
    header.channels = static_cast<std::int16_t>(littleEndian(file, 22, 1));
    header.sampleRate = static_cast<std::int32_t>(littleEndian(file, 24, 4));
    header.bitsPerSample = static_cast<std::int16_t>(littleEndian(file, 34, 2));
    header.dataSize = static_cast<std::int32_t>(littleEndian(file, 40, 4));
    header.sampleCount =
        referenceSampleCount(header.dataSize, header.bitsPerSample, header.channels);
    return header;
}

// Values with at least one byte in the file, at most sampleCount.
inline std::int64_t referenceValuesInFile(std::string_view file, const ReferenceHeader& header) {
    const int width = valueWidth(header.bitsPerSample);
    const auto size = static_cast<std::int64_t>(file.size());
    if (width == 0 || size <= 44) return 0;
    const std::int64_t present = (size - 44 + width - 1) / width;
    return present < header.sampleCount ? present : header.sampleCount;
}

// The value at `index`: 0 outside 0 .. sampleCount - 1, at another depth and
// past the end of the file; a value cut by the end has its missing bytes 0.
inline std::int32_t referenceValue(std::string_view file, const ReferenceHeader& header,
                                   std::int64_t index) {
    const int width = valueWidth(header.bitsPerSample);
    if (width == 0 || index < 0 || index >= header.sampleCount) return 0;
    const std::int64_t offset = 44 + index * width;
    if (offset >= static_cast<std::int64_t>(file.size())) return 0;
    const int unused = 32 - 8 * width;
    const std::uint32_t bits = littleEndian(file, static_cast<std::size_t>(offset), width);
    return static_cast<std::int32_t>(bits << unused) >> unused;
}

// Whether value lies in the range of a depth: 0 only for another depth.
inline bool withinDepth(std::int32_t value, std::int16_t bitsPerSample) {
    const int width = valueWidth(bitsPerSample);
    if (width == 0) return value == 0;
    const std::int32_t highest = (1 << (8 * width - 1)) - 1;
    return value >= -highest - 1 && value <= highest;
}

}  // namespace trellmark::fuzz
