#pragma once
// Exact two-sided p-values of the index-by-index t test, from Student's t
// distribution, beside the degrees of freedom each index used.

#include <span>
#include <vector>

namespace trellmark {

struct IndexPValues {
    // One entry per index 0 .. length - 1; every entry is NaN when either set
    // has fewer than two takes (nothing is tested).
    std::vector<double> p;
    // nR + nC - 2 for equal set sizes; otherwise the Welch-Satterthwaite value,
    // not rounded. NaN where both variance terms are 0 (no distribution is used).
    std::vector<double> degreesOfFreedom;
};

// Two-sided p-value of t under Student's t with df degrees of freedom:
// 2 P(T > |t|), at most 1. A NaN t gives 1, an infinite t gives 0; otherwise a
// df that is not above 0 gives NaN.
double twoSidedPValue(double t, double df);

// Equal sizes (nR == nC = n): t = (mR - mC) / sqrt((sR^2 + sC^2) / n) on
// 2n - 2 degrees of freedom. Unequal sizes: Welch's t with a = sR^2 / nR,
// b = sC^2 / nC. Where a = b = 0 the p-value is 0 if the means differ, else 1.
// The four spans hold the sets' per-index means and standard deviations (in
// LSB, standard deviations with denominator n - 1); length is the shortest.
IndexPValues exactPValues(std::span<const double> referenceMean,
                          std::span<const double> referenceStdDev,
                          std::span<const double> comparisonMean,
                          std::span<const double> comparisonStdDev, int referenceTakes,
                          int comparisonTakes);

}  // namespace trellmark
