#pragma once
// Everything a finished run found: the record every output is written from.

#include <vector>

#include "analysis/analysis_parameters.hpp"
#include "analysis/file_set.hpp"
#include "analysis/set_comparison.hpp"
#include "analysis/set_statistics.hpp"
#include "io/output_file.hpp"
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

// The header whose depth names the figures of a run and whose rate and depth
// its signal files get: the last file read, which is the comparison set's last
// unless that set is empty. All fields 0 when no file was read.
WaveInfo headerOfLastFileRead(const SetStatistics& reference, const SetStatistics& comparison);

// The files both sets read, as they are on disk now: no output may replace one.
std::vector<FileIdentity> recordingsRead(const RunResults& run);

}  // namespace trellmark
