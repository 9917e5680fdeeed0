#pragma once

#include <cstdint>

namespace trellmark {

// Samples between the impulse found in a file and its first analysed sample.
constexpr std::int16_t fixedStartOffset = 17640;

struct AnalysisParameters {
    std::int32_t impulseThreshold = 0;  // first value strictly above it is the impulse
    std::int16_t startOffset = 0;       // always fixedStartOffset once the questions are answered
    std::int32_t analysisLength = 0;    // samples analysed per file; may be 0 or negative
    std::int16_t confidenceLevel = 0;   // 95 or 99 selects a test; anything else tests nothing
};

}  // namespace trellmark
