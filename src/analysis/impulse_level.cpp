#include "analysis/impulse_level.hpp"

#include <emmintrin.h>

#include <cmath>

namespace trellmark {

std::int64_t findImpulse(std::span<const std::int32_t> values, std::int32_t threshold) {
    // Sixteen values at a time (SSE2, which every x86-64 has) up to the block
    // that holds the impulse; the plain loop finds it there.
    const __m128i limit = _mm_set1_epi32(threshold);
    std::size_t x = 0;
    for (; x + 16 <= values.size(); x += 16) {
        const auto* block = reinterpret_cast<const __m128i*>(values.data() + x);
        const auto above = [&](int k) {
            return _mm_cmpgt_epi32(_mm_loadu_si128(block + k), limit);
        };
        const __m128i any =
            _mm_or_si128(_mm_or_si128(above(0), above(1)), _mm_or_si128(above(2), above(3)));
        if (_mm_movemask_epi8(any) != 0) break;
    }
    for (; x < values.size(); ++x) {
        if (values[x] > threshold) return static_cast<std::int64_t>(x);
    }
    return static_cast<std::int64_t>(values.size());
}

double measureLevel(std::span<const std::int32_t> levelWindow) {
    double sumOfSquares = 0;
    for (const std::int32_t value : levelWindow) {
        const double v = value;
        sumOfSquares += v * v;
    }
    return std::sqrt(sumOfSquares / static_cast<double>(levelWindowLength));
}

}  // namespace trellmark
