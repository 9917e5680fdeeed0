#pragma once
// Everything a finished run found: the record every output is written from.

#include "analysis/analysis_parameters.hpp"
#include "analysis/file_set.hpp"
#include "analysis/set_comparison.hpp"
#include "analysis/set_statistics.hpp"
#include "wave/wave_info.hpp"

namespace trellmark {

struct RunResults {
    AnalysisParameters parameters;
    FileSet referenceFiles;
    FileSet comparisonFiles;
    SetStatistics referenceStatistics;
    SetStatistics comparisonStatistics;
    ComparisonResult result;
    // The header of the file read last: its depth is the "bit" of every figure
    // and the depth of the written signals, its rate their rate.
    WaveInfo lastFile;
};

}  // namespace trellmark
