#pragma once
// The whole analysis of two sets, without a dialogue in between.

#include "analysis/analysis_events.hpp"
#include "analysis/run_results.hpp"

namespace trellmark {

// Reads the reference set, then the comparison set scaled to the reference
// level, then compares them, telling `events` as it goes.
RunResults analyseRun(FileSet referenceFiles, FileSet comparisonFiles,
                      const AnalysisParameters& parameters, AnalysisEvents& events);

}  // namespace trellmark
