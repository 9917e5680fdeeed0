#pragma once
// The per-index arrays the figure and the report page show that the run does
// not hold as such: the difference, the bounds of the index test, and where
// the test found a difference.

#include <cstdint>
#include <vector>

#include "analysis/run_results.hpp"

namespace trellmark {

struct DerivedSeries {
    std::vector<double> difference;         // reference mean minus comparison mean
    std::vector<std::uint8_t> significant;  // 1 where the index differs significantly
    // Empty when no test was made: the standard error of the difference and
    // the critical t at each index (NaN where no test applies).
    std::vector<double> standardError;
    std::vector<double> criticalT;
};

DerivedSeries deriveSeries(const RunResults& run);

}  // namespace trellmark
