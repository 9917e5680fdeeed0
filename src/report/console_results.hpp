#pragma once

#include <cstdint>

#include "stats/set_comparison.hpp"

namespace trellmark {

struct Console;

// The four result lines, figures at column 70, then two blank rows.
void printComparisonSummary(Console& console, const ComparisonResult& result,
                            std::int32_t analysisLength, std::int16_t bitsPerSample);

}  // namespace trellmark
