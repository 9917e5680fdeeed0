#include "wave/value_decoding.hpp"

#include <immintrin.h>

#include <cstddef>

#include "wave/wave_reader.hpp"

namespace trellmark {
namespace {

void decodeScalar(const unsigned char* bytes, std::size_t count, int bytesPerValue,
                  std::int32_t* values) {
    if (bytesPerValue == 2) {
        for (std::size_t i = 0; i < count; ++i) values[i] = decode16(bytes + 2 * i);
    } else {
        for (std::size_t i = 0; i < count; ++i) values[i] = decode24(bytes + 3 * i);
    }
}

// Eight 24-bit values from 24 bytes: each 128-bit lane takes twelve of them,
// every value is moved into the top three bytes of its 32-bit cell and shifted
// down with its sign. Loads 32 bytes, so the caller keeps 8 bytes of slack.
__attribute__((target("avx2"))) __m256i eight24(const unsigned char* bytes) {
    const __m256i lanes =
        _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes)),
                                    _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6));
    const __m256i cells = _mm256_shuffle_epi8(
        lanes, _mm256_setr_epi8(-1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11,  //
                                -1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11));
    return _mm256_srai_epi32(cells, 8);
}

__attribute__((target("avx2"))) void decodeAvx2(const unsigned char* bytes, std::size_t count,
                                                int bytesPerValue, std::int32_t* values) {
    std::size_t i = 0;
    if (bytesPerValue == 2) {
        for (; i + 8 <= count; i += 8) {
            const __m128i stored = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 2 * i));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(values + i),
                                _mm256_cvtepi16_epi32(stored));
        }
    } else {
        // Eight values need 24 bytes but eight more are loaded.
        for (; i + 8 + 3 <= count; i += 8) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(values + i), eight24(bytes + 3 * i));
        }
    }
    decodeScalar(bytes + bytesPerValue * i, count - i, bytesPerValue, values + i);
}

std::size_t firstAboveScalar(const unsigned char* bytes, std::size_t begin, std::size_t count,
                             int bytesPerValue, std::int32_t threshold) {
    for (std::size_t i = begin; i < count; ++i) {
        const unsigned char* cell = bytes + bytesPerValue * i;
        if ((bytesPerValue == 2 ? decode16(cell) : decode24(cell)) > threshold) return i;
    }
    return count;
}

// All ones in the cells of the eight values that lie above limit.
__attribute__((target("avx2"))) __m256i eightAbove(const unsigned char* cells, int bytesPerValue,
                                                   __m256i limit) {
    const __m256i values =
        bytesPerValue == 2
            ? _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cells)))
            : eight24(cells);
    return _mm256_cmpgt_epi32(values, limit);
}

// Thirty-two values a time up to the block that holds one above the
// threshold; the plain loop finds it there.
__attribute__((target("avx2"))) std::size_t firstAboveAvx2(const unsigned char* bytes,
                                                           std::size_t count, int bytesPerValue,
                                                           std::int32_t threshold) {
    const __m256i limit = _mm256_set1_epi32(threshold);
    const int width = bytesPerValue;
    std::size_t i = 0;
    // As in decodeAvx2, eight more bytes than 24-bit values need are loaded.
    for (; i + 32 + 3 <= count; i += 32) {
        const unsigned char* cells = bytes + width * i;
        const __m256i any =
            _mm256_or_si256(_mm256_or_si256(eightAbove(cells, width, limit),
                                            eightAbove(cells + 8 * width, width, limit)),
                            _mm256_or_si256(eightAbove(cells + 16 * width, width, limit),
                                            eightAbove(cells + 24 * width, width, limit)));
        if (!_mm256_testz_si256(any, any)) break;
    }
    return firstAboveScalar(bytes, i, count, bytesPerValue, threshold);
}

}  // namespace

bool decodePathAvailable(DecodePath path) {
    if (path == DecodePath::avx2) return __builtin_cpu_supports("avx2");
    return true;
}

DecodePath fastestDecodePath() {
    static const DecodePath fastest =
        decodePathAvailable(DecodePath::avx2) ? DecodePath::avx2 : DecodePath::scalar;
    return fastest;
}

void decodeValues(DecodePath path, std::span<const unsigned char> bytes, int bytesPerValue,
                  std::int32_t* values) {
    if (bytesPerValue != 2 && bytesPerValue != 3) return;
    const std::size_t count = bytes.size() / static_cast<std::size_t>(bytesPerValue);
    if (path == DecodePath::avx2) {
        decodeAvx2(bytes.data(), count, bytesPerValue, values);
    } else {
        decodeScalar(bytes.data(), count, bytesPerValue, values);
    }
}

std::size_t firstValueAbove(DecodePath path, std::span<const unsigned char> bytes,
                            int bytesPerValue, std::int32_t threshold) {
    if (bytesPerValue != 2 && bytesPerValue != 3) return 0;
    const std::size_t count = bytes.size() / static_cast<std::size_t>(bytesPerValue);
    if (path == DecodePath::avx2) {
        return firstAboveAvx2(bytes.data(), count, bytesPerValue, threshold);
    }
    return firstAboveScalar(bytes.data(), 0, count, bytesPerValue, threshold);
}

}  // namespace trellmark
