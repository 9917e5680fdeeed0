#pragma once
// Folds the analysis windows of a set's files, one file at a time, into
// per-index means and standard deviations. Holds only arrays of the window's
// length, however many files there are and however long they are.

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/set_statistics.hpp"

namespace trellmark {

struct WindowAccumulator {
    std::int16_t fileCount = 0;  // n, the divisor of every mean
    int filesAdded = 0;          // the first file added gives the shift values
    // K: the first file's window after scaling. The sums are taken about it, so
    // it must lie among the scaled values: the raw window of a first file
    // recorded at another depth or level lies far from them, and the sums then
    // lose the digits the standard deviation is made of. Whole numbers within
    // 2^62, so exact in doubles.
    std::vector<double> shift;
    std::vector<double> sumOfSquares;  // Q: sum of (K - scaled)^2 over the files
    std::vector<double> mean;          // sum of scaled / n over the files
    // The same mean of the values scaled but never rounded to whole LSB: the
    // null test compares float renders at their full precision.
    std::vector<double> unroundedMean;
};

// Zero-filled arrays of analysisLength entries (none when it is 0 or below).
WindowAccumulator startAccumulation(std::int16_t fileCount, std::int32_t analysisLength);

// referenceLevel * value / level to the nearest integer, ties to even; 0 when
// that is not a finite number (a silent file or a silent reference). Held in 64
// bits, so loud values scaled up do not wrap.
std::int64_t scaleToReference(std::int32_t value, double referenceLevel, double level);
std::int64_t scaleToReference(double value, double referenceLevel, double level);

// Scales window (the file's analysis window, analysisLength values) to the
// reference level and adds it in.
// A float take's window holds doubles (24-bit steps), rounded only once scaled.
void addWindow(WindowAccumulator& accumulator, std::span<const std::int32_t> window, double level,
               double referenceLevel);
void addWindow(WindowAccumulator& accumulator, std::span<const double> window, double level,
               double referenceLevel);

// Appends window's values scaled as addWindow scales them: `length` values
// (none when it is 0 or below), zeros past the end of window.
void appendScaledWindow(std::vector<std::int64_t>& scaled, std::span<const std::int32_t> window,
                        std::int32_t length, double level, double referenceLevel);
void appendScaledWindow(std::vector<std::int64_t>& scaled, std::span<const double> window,
                        std::int32_t length, double level, double referenceLevel);

// The square root, except that a negative argument comes back unchanged:
// rounding can leave a variance a hair below zero where every file holds the
// same value.
double sqrtKeepingNegative(double x);

// Turns the sums into mean, stdDev, largestStdDev and stdDevSum of statistics.
void finishAccumulation(WindowAccumulator& accumulator, SetStatistics& statistics);

}  // namespace trellmark
