#include "analysis/null_test.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace trellmark {

NullFigures nullFiguresOf(std::span<const double> reference, std::span<const double> comparison,
                          std::int16_t bits) {
    NullFigures figures;
    figures.fullScaleLsb = std::ldexp(1.0, std::max<int>(bits, 1) - 1);
    const std::size_t n = std::min(reference.size(), comparison.size());
    if (n == 0) return figures;
    double squares = 0, referenceSquares = 0, referenceSum = 0, comparisonSum = 0;
    for (std::size_t j = 0; j < n; ++j) {
        const double difference = comparison[j] - reference[j];
        if (std::abs(difference) > figures.peakLsb) {
            figures.peakLsb = std::abs(difference);
            figures.peakIndex = static_cast<std::int64_t>(j);
        }
        squares += difference * difference;
        referenceSquares += reference[j] * reference[j];
        referenceSum += reference[j];
        comparisonSum += comparison[j];
    }
    const double count = static_cast<double>(n);
    figures.rmsLsb = std::sqrt(squares / count);
    figures.referenceRmsLsb = std::sqrt(referenceSquares / count);
    // About the means, in a second pass, so that a large offset costs no digits.
    const double referenceMean = referenceSum / count, comparisonMean = comparisonSum / count;
    double product = 0, referenceSpread = 0, comparisonSpread = 0;
    for (std::size_t j = 0; j < n; ++j) {
        const double r = reference[j] - referenceMean, c = comparison[j] - comparisonMean;
        product += r * c;
        referenceSpread += r * r;
        comparisonSpread += c * c;
    }
    const double spread = std::sqrt(referenceSpread) * std::sqrt(comparisonSpread);
    figures.correlation = spread > 0 ? product / spread : std::numeric_limits<double>::quiet_NaN();
    return figures;
}

double decibels(double ratio) {
    if (ratio <= 0) return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(ratio);
}

double peakDbfs(const NullFigures& figures) {
    return decibels(figures.peakLsb / figures.fullScaleLsb);
}

double rmsDbfs(const NullFigures& figures) {
    return decibels(figures.rmsLsb / figures.fullScaleLsb);
}

double nullDepthDb(const NullFigures& figures) {
    if (figures.rmsLsb <= 0) return std::numeric_limits<double>::infinity();
    return decibels(figures.referenceRmsLsb / figures.rmsLsb);
}

}  // namespace trellmark
