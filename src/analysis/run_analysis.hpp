#pragma once
// The whole analysis of two sets, without a dialogue in between.

#include <cstdint>
#include <vector>

#include "analysis/analysis_events.hpp"
#include "analysis/run_results.hpp"

namespace trellmark {

// Reads the reference set, then the comparison set scaled to the reference
// level, then compares them, telling `events` as it goes. With
// `scaledWindows`, every take's scaled analysis window is appended to it,
// reference takes first (see computeSetStatistics).
RunResults analyseRun(FileSet referenceFiles, FileSet comparisonFiles,
                      const AnalysisParameters& parameters, AnalysisEvents& events,
                      std::vector<std::int64_t>* scaledWindows = nullptr);

}  // namespace trellmark
