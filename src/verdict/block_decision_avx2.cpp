// The AVX2 versions of the block decision and of the narrow group sums. Every
// floating-point step is one correctly rounded operation (no fused
// multiply-add), taken in the order of the plain code, so the bits agree.

#include <immintrin.h>

#include <cmath>

#include "verdict/block_decision.hpp"

namespace trellmark {
namespace {

__attribute__((target("avx2"))) inline __m256d magnitudeOf(__m256d x) {
    return _mm256_andnot_pd(_mm256_set1_pd(-0.0), x);
}

}  // namespace

// x exactly, for |x| < 2^51: the integer added to the bits of 1.5 * 2^52 lands
// in the mantissa.
__attribute__((target("avx2"))) inline __m256d smallToDouble(__m256i x) {
    const __m256d magic = _mm256_set1_pd(6755399441055744.0);  // 1.5 * 2^52
    return _mm256_sub_pd(_mm256_castsi256_pd(_mm256_add_epi64(x, _mm256_castpd_si256(magic))),
                         magic);
}

__attribute__((target("avx2"))) void momentsFromSmallSumsAvx2(
    const std::int64_t* sums, const std::int64_t* squares, const std::int64_t* totalSum,
    const std::int64_t* totalSquares, std::int64_t count, const SplitShape& shape, double* groupSum,
    double* otherSum, double* groupNumerator, double* otherNumerator) {
    const __m256d nG = _mm256_set1_pd(shape.groupSize);
    const __m256d nO = _mm256_set1_pd(shape.otherSize);
    for (std::int64_t i = 0; i < count; i += 4) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + i));
        const __m256i q = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(squares + i));
        const __m256i sTotal = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(totalSum + i));
        const __m256i qTotal =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(totalSquares + i));
        const __m256d sG = smallToDouble(s);
        const __m256d sO = smallToDouble(_mm256_sub_epi64(sTotal, s));
        const __m256d qG = smallToDouble(q);
        const __m256d qO = smallToDouble(_mm256_sub_epi64(qTotal, q));
        _mm256_storeu_pd(groupSum + i, sG);
        _mm256_storeu_pd(otherSum + i, sO);
        _mm256_storeu_pd(groupNumerator + i,
                         _mm256_sub_pd(_mm256_mul_pd(nG, qG), _mm256_mul_pd(sG, sG)));
        _mm256_storeu_pd(otherNumerator + i,
                         _mm256_sub_pd(_mm256_mul_pd(nO, qO), _mm256_mul_pd(sO, sO)));
    }
}

__attribute__((target("avx2"))) void decideBlockAvx2(const IndexTestSetup& setup,
                                                     const SplitShape& shape,
                                                     const BlockMoments& moments,
                                                     std::int64_t count, double* t,
                                                     std::uint8_t* significant) {
    const RoleMoments roles = byRole(moments, shape);
    const int nR = setup.referenceTakes;
    const int nC = setup.comparisonTakes;
    const __m256d nRd = _mm256_set1_pd(nR);
    const __m256d nCd = _mm256_set1_pd(nC);
    const __m256d nR1 = _mm256_set1_pd(static_cast<double>(nR) * (nR - 1));
    const __m256d nC1 = _mm256_set1_pd(static_cast<double>(nC) * (nC - 1));
    const __m256d floor = _mm256_set1_pd(varianceFloor);
    const bool equalSizes = nR == nC;
    const __m256d limit =
        _mm256_set1_pd(equalSizes ? setup.equalSizeCritical : setup.smallestCritical);

    for (std::int64_t i = 0; i < count; i += 4) {
        const __m256d mR = _mm256_div_pd(_mm256_loadu_pd(roles.referenceSum + i), nRd);
        const __m256d mC = _mm256_div_pd(_mm256_loadu_pd(roles.comparisonSum + i), nCd);
        // max(v, floor) as std::max(v, floor) gives it: v unless v < floor.
        const __m256d vR =
            _mm256_max_pd(floor, _mm256_div_pd(_mm256_loadu_pd(roles.referenceNumerator + i), nR1));
        const __m256d vC = _mm256_max_pd(
            floor, _mm256_div_pd(_mm256_loadu_pd(roles.comparisonNumerator + i), nC1));
        const __m256d difference = _mm256_sub_pd(mR, mC);
        if (equalSizes) {
            const __m256d e = _mm256_sqrt_pd(_mm256_div_pd(_mm256_add_pd(vR, vC), nRd));
            const __m256d ti = _mm256_div_pd(difference, e);
            _mm256_storeu_pd(t + i, ti);
            const int beyond =
                _mm256_movemask_pd(_mm256_cmp_pd(magnitudeOf(ti), limit, _CMP_GT_OQ));
            for (int l = 0; l < 4; ++l) significant[i + l] = (beyond >> l) & 1;
            continue;
        }
        const __m256d a = _mm256_div_pd(vR, nRd);
        const __m256d b = _mm256_div_pd(vC, nCd);
        const __m256d ti = _mm256_div_pd(difference, _mm256_sqrt_pd(_mm256_add_pd(a, b)));
        _mm256_storeu_pd(t + i, ti);
        const int candidate = _mm256_movemask_pd(_mm256_cmp_pd(magnitudeOf(ti), limit, _CMP_GT_OQ));
        for (int l = 0; l < 4; ++l) significant[i + l] = 0;
        if (candidate == 0) continue;
        // The rare lanes beyond the smallest critical value are settled one by
        // one against their own table entry, as verdictIndexTest settles them.
        alignas(32) double lanesA[4];
        alignas(32) double lanesB[4];
        _mm256_store_pd(lanesA, a);
        _mm256_store_pd(lanesB, b);
        for (int l = 0; l < 4; ++l) {
            if ((candidate >> l) & 1) {
                const int d = degreesOfFreedom(nR, nC, lanesA[l], lanesB[l]);
                significant[i + l] =
                    d >= 1 && std::fabs(t[i + l]) > criticalValue(*setup.tables, setup.level, d);
            }
        }
    }
}

__attribute__((target("avx2"))) void sumNarrowGroupAvx2(const std::int32_t* const* rows,
                                                        int groupSize, std::int64_t offset,
                                                        std::int64_t width, std::int64_t* sums,
                                                        std::int64_t* squares) {
    for (std::int64_t start = 0; start < width; start += 16) {
        __m256i s0 = _mm256_setzero_si256();
        __m256i s1 = s0, s2 = s0, s3 = s0, q0 = s0, q1 = s0, q2 = s0, q3 = s0;
        for (int g = 0; g < groupSize; ++g) {
            const std::int32_t* row = rows[g] + offset + start;
            const __m256i x0 =
                _mm256_cvtepi32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row)));
            const __m256i x1 =
                _mm256_cvtepi32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4)));
            const __m256i x2 =
                _mm256_cvtepi32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 8)));
            const __m256i x3 =
                _mm256_cvtepi32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 12)));
            s0 = _mm256_add_epi64(s0, x0);
            s1 = _mm256_add_epi64(s1, x1);
            s2 = _mm256_add_epi64(s2, x2);
            s3 = _mm256_add_epi64(s3, x3);
            // The low 32 bits of each lane hold the value; their signed product
            // is the exact square.
            q0 = _mm256_add_epi64(q0, _mm256_mul_epi32(x0, x0));
            q1 = _mm256_add_epi64(q1, _mm256_mul_epi32(x1, x1));
            q2 = _mm256_add_epi64(q2, _mm256_mul_epi32(x2, x2));
            q3 = _mm256_add_epi64(q3, _mm256_mul_epi32(x3, x3));
        }
        auto* sumOut = reinterpret_cast<__m256i*>(sums + start);
        auto* squareOut = reinterpret_cast<__m256i*>(squares + start);
        _mm256_storeu_si256(sumOut, s0);
        _mm256_storeu_si256(sumOut + 1, s1);
        _mm256_storeu_si256(sumOut + 2, s2);
        _mm256_storeu_si256(sumOut + 3, s3);
        _mm256_storeu_si256(squareOut, q0);
        _mm256_storeu_si256(squareOut + 1, q1);
        _mm256_storeu_si256(squareOut + 2, q2);
        _mm256_storeu_si256(squareOut + 3, q3);
    }
}

__attribute__((target("avx2"))) void sumShortGroupAvx2(const std::int16_t* const* rows,
                                                       int paddedGroupSize, std::int64_t offset,
                                                       std::int64_t width, std::int64_t* sums,
                                                       std::int64_t* squares) {
    const __m256i ones = _mm256_set1_epi16(1);
    for (std::int64_t start = 0; start < width; start += 16) {
        // Interleaving two takes' values puts indices 0-3 and 8-11 in the low
        // halves of the 128-bit lanes, 4-7 and 12-15 in the high halves; the
        // sums stay in that order until they are stored.
        __m256i sumLow = _mm256_setzero_si256();  // 32 bits: |sum| <= 32767 * 32767
        __m256i sumHigh = sumLow;
        __m256i squares0 = sumLow, squares8 = sumLow, squares4 = sumLow, squares12 = sumLow;
        for (int g = 0; g < paddedGroupSize; g += 4) {
            const std::int16_t* const* four = rows + g;
            const __m256i a =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(four[0] + offset + start));
            const __m256i b =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(four[1] + offset + start));
            const __m256i c =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(four[2] + offset + start));
            const __m256i d =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(four[3] + offset + start));
            const __m256i abLow = _mm256_unpacklo_epi16(a, b);
            const __m256i abHigh = _mm256_unpackhi_epi16(a, b);
            const __m256i cdLow = _mm256_unpacklo_epi16(c, d);
            const __m256i cdHigh = _mm256_unpackhi_epi16(c, d);
            sumLow = _mm256_add_epi32(sumLow, _mm256_add_epi32(_mm256_madd_epi16(abLow, ones),
                                                               _mm256_madd_epi16(cdLow, ones)));
            sumHigh = _mm256_add_epi32(sumHigh, _mm256_add_epi32(_mm256_madd_epi16(abHigh, ones),
                                                                 _mm256_madd_epi16(cdHigh, ones)));
            // a^2 + b^2 <= 2 * 32767^2 fits a signed lane; four squares, up to
            // 4 * 32767^2 < 2^32, fit it read as unsigned.
            const __m256i fourLow =
                _mm256_add_epi32(_mm256_madd_epi16(abLow, abLow), _mm256_madd_epi16(cdLow, cdLow));
            const __m256i fourHigh = _mm256_add_epi32(_mm256_madd_epi16(abHigh, abHigh),
                                                      _mm256_madd_epi16(cdHigh, cdHigh));
            squares0 =
                _mm256_add_epi64(squares0, _mm256_cvtepu32_epi64(_mm256_castsi256_si128(fourLow)));
            squares8 = _mm256_add_epi64(
                squares8, _mm256_cvtepu32_epi64(_mm256_extracti128_si256(fourLow, 1)));
            squares4 =
                _mm256_add_epi64(squares4, _mm256_cvtepu32_epi64(_mm256_castsi256_si128(fourHigh)));
            squares12 = _mm256_add_epi64(
                squares12, _mm256_cvtepu32_epi64(_mm256_extracti128_si256(fourHigh, 1)));
        }
        auto* sumOut = reinterpret_cast<__m256i*>(sums + start);
        auto* squareOut = reinterpret_cast<__m256i*>(squares + start);
        _mm256_storeu_si256(sumOut, _mm256_cvtepi32_epi64(_mm256_castsi256_si128(sumLow)));
        _mm256_storeu_si256(sumOut + 1, _mm256_cvtepi32_epi64(_mm256_castsi256_si128(sumHigh)));
        _mm256_storeu_si256(sumOut + 2, _mm256_cvtepi32_epi64(_mm256_extracti128_si256(sumLow, 1)));
        _mm256_storeu_si256(sumOut + 3,
                            _mm256_cvtepi32_epi64(_mm256_extracti128_si256(sumHigh, 1)));
        _mm256_storeu_si256(squareOut, squares0);
        _mm256_storeu_si256(squareOut + 1, squares4);
        _mm256_storeu_si256(squareOut + 2, squares8);
        _mm256_storeu_si256(squareOut + 3, squares12);
    }
}

}  // namespace trellmark
