#pragma once
// The per-index arithmetic of folding one file's window into a set's sums, in
// a scalar form and in SSE2 and AVX2 forms that give the same bits: each index
// goes through the same IEEE operations in the same order, only several indices
// at a time.

#include <cstdint>
#include <span>

namespace trellmark {

enum class FoldPath { scalar, sse2, avx2 };

// AVX2 when the processor and the system support it, else SSE2 (every x86-64
// has it).
FoldPath fastestFoldPath();

// False for a path this processor cannot run.
bool foldPathAvailable(FoldPath path);

// referenceLevel * value / level to the nearest integer, ties to even, as a
// double: +0 when that is not a finite number, and held within +-2^62 so that
// differences of two such values stay exact in 64-bit integers.
double scaledToReference(double value, double referenceLevel, double level);

// The sums of one index range, each `window.size()` long. The views belong to
// the caller's accumulator.
struct FoldSums {
    std::span<double> shift;         // the first file's scaled values
    std::span<double> mean;          // += scaled / fileCount
    std::span<double> sumOfSquares;  // += (shift - scaled)^2
};

// Scales every value of window and adds it into sums; the first file also
// sets the shift values. Every index of the range gets exactly the operations
// of the scalar path, whichever path is taken.
// The values of a float take (in 24-bit steps, not yet whole numbers) take
// the same operations.
void foldWindow(FoldPath path, std::span<const std::int32_t> window, double level,
                double referenceLevel, double fileCount, bool first, const FoldSums& sums);
void foldWindow(FoldPath path, std::span<const double> window, double level, double referenceLevel,
                double fileCount, bool first, const FoldSums& sums);

}  // namespace trellmark
