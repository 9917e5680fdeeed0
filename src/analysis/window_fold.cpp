#include "analysis/window_fold.hpp"

#include <immintrin.h>

#include <cmath>
#include <cstddef>

namespace trellmark {
namespace {

// Keeps shift - scaled exact in 64 bits; no real level ratio comes near it.
constexpr double scaledLimit = 4611686018427387904.0;  // 2^62

// One index, the reference for every wider path.
inline void foldOne(double value, double referenceLevel, double level, double fileCount, bool first,
                    double& shift, double& mean, double& sumOfSquares) {
    const double scaled = scaledToReference(value, referenceLevel, level);
    if (first) shift = scaled;
    mean += scaled / fileCount;
    // shift and scaled are whole numbers within 2^62: their difference is
    // rounded once, as the difference of the 64-bit integers would be.
    const double deviation = shift - scaled;
    sumOfSquares += deviation * deviation;
}

template <class Value>
void foldScalar(std::span<const Value> window, std::size_t begin, double level,
                double referenceLevel, double fileCount, bool first, const FoldSums& sums) {
    for (std::size_t j = begin; j < window.size(); ++j) {
        foldOne(window[j], referenceLevel, level, fileCount, first, sums.shift[j], sums.mean[j],
                sums.sumOfSquares[j]);
    }
}

// SSE2 has no rounding instruction: adding and taking away 2^52 rounds a
// magnitude below 2^52 to a whole number in the current rounding mode (to
// nearest, ties to even, as nearbyint does here); larger magnitudes, infinities
// and NaN are whole or unordered already and pass unchanged.
__m128d roundSse2(__m128d x) {
    const __m128d signBit = _mm_set1_pd(-0.0);
    const __m128d twoTo52 = _mm_set1_pd(4503599627370496.0);
    const __m128d magnitude = _mm_andnot_pd(signBit, x);
    const __m128d rounded = _mm_sub_pd(_mm_add_pd(magnitude, twoTo52), twoTo52);
    const __m128d signedRounded = _mm_or_pd(rounded, _mm_and_pd(signBit, x));
    const __m128d small = _mm_cmplt_pd(magnitude, twoTo52);
    return _mm_or_pd(_mm_and_pd(small, signedRounded), _mm_andnot_pd(small, x));
}

// Non-finite to +0, the rest clamped to +-2^62; the + 0 turns -0 into +0, as
// the conversion to an integer did.
__m128d boundSse2(__m128d x) {
    const __m128d magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), x);
    const __m128d finite = _mm_cmplt_pd(magnitude, _mm_set1_pd(INFINITY));
    const __m128d clamped =
        _mm_max_pd(_mm_min_pd(x, _mm_set1_pd(scaledLimit)), _mm_set1_pd(-scaledLimit));
    return _mm_add_pd(_mm_and_pd(finite, clamped), _mm_setzero_pd());
}

// Two values as doubles: whole numbers converted exactly, doubles as they are.
inline __m128d loadTwo(const std::int32_t* values) {
    return _mm_cvtepi32_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(values)));
}
inline __m128d loadTwo(const double* values) {
    return _mm_loadu_pd(values);
}

template <class Value>
void foldSse2(std::span<const Value> window, double level, double referenceLevel, double fileCount,
              bool first, const FoldSums& sums) {
    const __m128d reference = _mm_set1_pd(referenceLevel);
    const __m128d divisor = _mm_set1_pd(level);
    const __m128d count = _mm_set1_pd(fileCount);
    const std::size_t whole = window.size() - window.size() % 2;
    for (std::size_t j = 0; j < whole; j += 2) {
        const __m128d value = loadTwo(&window[j]);
        const __m128d scaled =
            boundSse2(roundSse2(_mm_div_pd(_mm_mul_pd(reference, value), divisor)));
        if (first) _mm_storeu_pd(&sums.shift[j], scaled);
        const __m128d mean = _mm_add_pd(_mm_loadu_pd(&sums.mean[j]), _mm_div_pd(scaled, count));
        _mm_storeu_pd(&sums.mean[j], mean);
        const __m128d deviation = _mm_sub_pd(_mm_loadu_pd(&sums.shift[j]), scaled);
        const __m128d squares =
            _mm_add_pd(_mm_loadu_pd(&sums.sumOfSquares[j]), _mm_mul_pd(deviation, deviation));
        _mm_storeu_pd(&sums.sumOfSquares[j], squares);
    }
    foldScalar(window, whole, level, referenceLevel, fileCount, first, sums);
}

// AVX2 only, never FMA: a fused multiply-add would round once where the scalar
// path rounds twice.
__attribute__((target("avx2"))) inline __m256d loadFour(const std::int32_t* values) {
    return _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(values)));
}
__attribute__((target("avx2"))) inline __m256d loadFour(const double* values) {
    return _mm256_loadu_pd(values);
}

template <class Value>
__attribute__((target("avx2"))) void foldAvx2(std::span<const Value> window, double level,
                                              double referenceLevel, double fileCount, bool first,
                                              const FoldSums& sums) {
    const __m256d reference = _mm256_set1_pd(referenceLevel);
    const __m256d divisor = _mm256_set1_pd(level);
    const __m256d count = _mm256_set1_pd(fileCount);
    const __m256d magnitudeMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    const __m256d infinity = _mm256_set1_pd(INFINITY);
    const __m256d upper = _mm256_set1_pd(scaledLimit);
    const __m256d lower = _mm256_set1_pd(-scaledLimit);
    const std::size_t whole = window.size() - window.size() % 4;
    for (std::size_t j = 0; j < whole; j += 4) {
        const __m256d value = loadFour(&window[j]);
        const __m256d rounded = _mm256_round_pd(
            _mm256_div_pd(_mm256_mul_pd(reference, value), divisor), _MM_FROUND_CUR_DIRECTION);
        // As in boundSse2.
        const __m256d finite =
            _mm256_cmp_pd(_mm256_and_pd(rounded, magnitudeMask), infinity, _CMP_LT_OQ);
        const __m256d clamped = _mm256_max_pd(_mm256_min_pd(rounded, upper), lower);
        const __m256d scaled = _mm256_add_pd(_mm256_and_pd(finite, clamped), _mm256_setzero_pd());
        if (first) _mm256_storeu_pd(&sums.shift[j], scaled);
        const __m256d mean =
            _mm256_add_pd(_mm256_loadu_pd(&sums.mean[j]), _mm256_div_pd(scaled, count));
        _mm256_storeu_pd(&sums.mean[j], mean);
        const __m256d deviation = _mm256_sub_pd(_mm256_loadu_pd(&sums.shift[j]), scaled);
        const __m256d squares = _mm256_add_pd(_mm256_loadu_pd(&sums.sumOfSquares[j]),
                                              _mm256_mul_pd(deviation, deviation));
        _mm256_storeu_pd(&sums.sumOfSquares[j], squares);
    }
    foldScalar(window, whole, level, referenceLevel, fileCount, first, sums);
}

}  // namespace

bool foldPathAvailable(FoldPath path) {
    if (path == FoldPath::avx2) return __builtin_cpu_supports("avx2");
    return true;
}

FoldPath fastestFoldPath() {
    static const FoldPath fastest =
        foldPathAvailable(FoldPath::avx2) ? FoldPath::avx2 : FoldPath::sse2;
    return fastest;
}

double scaledToReference(double value, double referenceLevel, double level) {
    const double scaled = std::nearbyint(referenceLevel * value / level);
    if (!std::isfinite(scaled)) return 0;
    if (scaled >= scaledLimit) return scaledLimit;
    if (scaled <= -scaledLimit) return -scaledLimit;
    return scaled + 0.0;
}

template <class Value>
void foldAny(FoldPath path, std::span<const Value> window, double level, double referenceLevel,
             double fileCount, bool first, const FoldSums& sums) {
    switch (path) {
        case FoldPath::avx2:
            foldAvx2(window, level, referenceLevel, fileCount, first, sums);
            return;
        case FoldPath::sse2:
            foldSse2(window, level, referenceLevel, fileCount, first, sums);
            return;
        case FoldPath::scalar:
            foldScalar(window, 0, level, referenceLevel, fileCount, first, sums);
            return;
    }
}

void foldWindow(FoldPath path, std::span<const std::int32_t> window, double level,
                double referenceLevel, double fileCount, bool first, const FoldSums& sums) {
    foldAny(path, window, level, referenceLevel, fileCount, first, sums);
}

void foldWindow(FoldPath path, std::span<const double> window, double level, double referenceLevel,
                double fileCount, bool first, const FoldSums& sums) {
    foldAny(path, window, level, referenceLevel, fileCount, first, sums);
}

}  // namespace trellmark
