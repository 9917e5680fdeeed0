#pragma once
// The null test of two renders: their mean signals subtracted, index by index,
// at full precision. Figures in LSB of the run's depth; full scale is
// 2^(bits - 1) LSB (1.0 for a float take, counted in 24-bit steps).

#include <cstdint>
#include <span>

namespace trellmark {

struct NullFigures {
    double peakLsb = 0;          // largest |comparison - reference|
    std::int64_t peakIndex = 0;  // its index in the window, the first where it is largest
    double rmsLsb = 0;           // RMS of the difference
    double referenceRmsLsb = 0;  // RMS of the reference mean
    double correlation = 0;      // of the two means; NaN when either is constant
    double fullScaleLsb = 0;     // 2^(bits - 1)
};

NullFigures nullFiguresOf(std::span<const double> reference, std::span<const double> comparison,
                          std::int16_t bits);

// 20 log10 of the ratio: -inf for 0.
double decibels(double ratio);
double peakDbfs(const NullFigures& figures);
double rmsDbfs(const NullFigures& figures);
// RMS of the reference mean over RMS of the difference, in dB: +inf for
// identical renders.
double nullDepthDb(const NullFigures& figures);

}  // namespace trellmark
