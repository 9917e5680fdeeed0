#include "analysis/window_accumulator.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "analysis/window_fold.hpp"

namespace trellmark {

WindowAccumulator startAccumulation(std::int16_t fileCount, std::int32_t analysisLength) {
    WindowAccumulator accumulator;
    accumulator.fileCount = fileCount;
    const std::size_t length = analysisLength > 0 ? static_cast<std::size_t>(analysisLength) : 0;
    accumulator.shift.assign(length, 0.0);
    accumulator.sumOfSquares.assign(length, 0.0);
    accumulator.mean.assign(length, 0.0);
    accumulator.unroundedMean.assign(length, 0.0);
    return accumulator;
}

namespace {

template <class Value>
void addAnyWindow(WindowAccumulator& accumulator, std::span<const Value> window, double level,
                  double referenceLevel) {
    const std::size_t length = std::min(window.size(), accumulator.mean.size());
    const bool first = accumulator.filesAdded == 0;
    ++accumulator.filesAdded;
    const FoldSums sums{std::span(accumulator.shift).first(length),
                        std::span(accumulator.mean).first(length),
                        std::span(accumulator.sumOfSquares).first(length)};
    foldWindow(fastestFoldPath(), window.first(length), level, referenceLevel,
               accumulator.fileCount, first, sums);
    // Unrounded as scaledToReference would have it; a silent take or reference adds nothing.
    const double count = accumulator.fileCount;
    for (std::size_t j = 0; j < length; ++j) {
        const double scaled = referenceLevel * static_cast<double>(window[j]) / level;
        if (std::isfinite(scaled)) accumulator.unroundedMean[j] += scaled / count;
    }
}

template <class Value>
void appendAnyScaledWindow(std::vector<std::int64_t>& scaled, std::span<const Value> window,
                           std::int32_t length, double level, double referenceLevel) {
    for (std::int32_t j = 0; j < length; ++j) {
        const auto index = static_cast<std::size_t>(j);
        const Value value = index < window.size() ? window[index] : Value{0};
        scaled.push_back(scaleToReference(value, referenceLevel, level));
    }
}

}  // namespace

std::int64_t scaleToReference(std::int32_t value, double referenceLevel, double level) {
    return static_cast<std::int64_t>(scaledToReference(value, referenceLevel, level));
}

std::int64_t scaleToReference(double value, double referenceLevel, double level) {
    return static_cast<std::int64_t>(scaledToReference(value, referenceLevel, level));
}

void addWindow(WindowAccumulator& accumulator, std::span<const std::int32_t> window, double level,
               double referenceLevel) {
    addAnyWindow(accumulator, window, level, referenceLevel);
}

void addWindow(WindowAccumulator& accumulator, std::span<const double> window, double level,
               double referenceLevel) {
    addAnyWindow(accumulator, window, level, referenceLevel);
}

void appendScaledWindow(std::vector<std::int64_t>& scaled, std::span<const std::int32_t> window,
                        std::int32_t length, double level, double referenceLevel) {
    appendAnyScaledWindow(scaled, window, length, level, referenceLevel);
}

void appendScaledWindow(std::vector<std::int64_t>& scaled, std::span<const double> window,
                        std::int32_t length, double level, double referenceLevel) {
    appendAnyScaledWindow(scaled, window, length, level, referenceLevel);
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
    statistics.unroundedMean = std::move(accumulator.unroundedMean);
    statistics.stdDev = std::move(q);
    accumulator.shift.clear();
    accumulator.shift.shrink_to_fit();
}

}  // namespace trellmark
