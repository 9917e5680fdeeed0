#pragma once
// The answers that shape an analysis: threshold, window position and length,
// confidence level.

#include <cstdint>
#include <optional>

#include "analysis/confidence_level.hpp"

namespace trellmark {

// Samples between the impulse found in a file and its first analysed sample:
// the test signal's settled part begins there.
constexpr std::int32_t fixedStartOffset = 17640;

struct AnalysisParameters {
    std::int32_t impulseThreshold = 0;  // first value strictly above it is the impulse
    // A threshold relative to full scale (0.5 for 50 % or -6.02 dBFS), for
    // files of any depth or format; it takes the place of impulseThreshold,
    // which then shows the threshold in the scale file's steps.
    std::optional<double> thresholdOfFullScale;
    std::int32_t startOffset = fixedStartOffset;  // samples after the impulse, 0 or more
    std::int32_t analysisLength = 0;              // samples analysed per file; may be 0 or negative
    ConfidenceLevel confidenceLevel;  // 95 or 99 selects a test; anything else tests nothing
    std::int16_t channel = 0;         // the channel analysed, counting from 0
    // The user chose the channel: a take of several channels then needs no
    // note saying which one is analysed.
    bool channelChosen = false;
    // Renders have no impulse: every take is then read from its first sample,
    // its level the RMS of its analysis window.
    bool alignOnImpulse = true;
    // A gain change is a regression in a render: without scaling every value
    // stays as recorded.
    bool scaleToLevel = true;
};

}  // namespace trellmark
