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

}  // namespace trellmark
