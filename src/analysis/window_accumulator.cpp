#include "analysis/window_accumulator.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace trellmark {
namespace {

// Keeps K - scaled exact in 64 bits; no real level ratio comes near it.
constexpr double scaledLimit = 4611686018427387904.0;  // 2^62

}  // namespace

WindowAccumulator startAccumulation(std::int16_t fileCount, std::int32_t analysisLength) {
    WindowAccumulator accumulator;
    accumulator.fileCount = fileCount;
    const std::size_t length = analysisLength > 0 ? static_cast<std::size_t>(analysisLength) : 0;
    accumulator.shift.assign(length, 0);
    accumulator.sumOfSquares.assign(length, 0.0);
    accumulator.mean.assign(length, 0.0);
    return accumulator;
}

std::int64_t scaleToReference(std::int32_t value, double referenceLevel, double level) {
    const double scaled = std::nearbyint(referenceLevel * value / level);
    if (!std::isfinite(scaled)) return 0;
    if (scaled >= scaledLimit) return static_cast<std::int64_t>(scaledLimit);
    if (scaled <= -scaledLimit) return -static_cast<std::int64_t>(scaledLimit);
    return static_cast<std::int64_t>(scaled);
}

void addWindow(WindowAccumulator& accumulator, std::span<const std::int32_t> window, double level,
               double referenceLevel) {
    const std::size_t length = std::min(window.size(), accumulator.mean.size());
    const bool first = accumulator.filesAdded == 0;
    ++accumulator.filesAdded;
    const double n = accumulator.fileCount;
    for (std::size_t j = 0; j < length; ++j) {
        const std::int64_t scaled = scaleToReference(window[j], referenceLevel, level);
        if (first) accumulator.shift[j] = scaled;
        accumulator.mean[j] += static_cast<double>(scaled) / n;
        const double deviation = static_cast<double>(accumulator.shift[j] - scaled);
        accumulator.sumOfSquares[j] += deviation * deviation;
    }
}

double sqrtKeepingNegative(double x) {
    return x < 0 ? x : std::sqrt(x);
}

void finishAccumulation(WindowAccumulator& accumulator, SetStatistics& statistics) {
    const double n = accumulator.fileCount;
    std::vector<double>& q = accumulator.sumOfSquares;
    // The sums were taken about the first file's values rather than the mean,
    // which keeps them small where all files are alike; this moves them to the
    // mean.
    for (std::size_t j = 0; j < q.size(); ++j) {
        const double offset = accumulator.mean[j] - accumulator.shift[j];
        q[j] = q[j] - n * (offset * offset);
        q[j] = sqrtKeepingNegative(q[j] / (n - 1));
        statistics.stdDevSum += q[j];
        if (statistics.largestStdDev < q[j]) statistics.largestStdDev = q[j];
    }
    statistics.mean = std::move(accumulator.mean);
    statistics.stdDev = std::move(q);
    accumulator.shift.clear();
    accumulator.shift.shrink_to_fit();
}

}  // namespace trellmark
