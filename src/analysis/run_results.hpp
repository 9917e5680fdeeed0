#pragma once
// Everything a finished run found: the record every output is written from.

#include <vector>

#include "analysis/analysis_parameters.hpp"
#include "analysis/file_set.hpp"
#include "analysis/null_test.hpp"
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
    // The header of the take every take is scaled to (scaleFileOf): its
    // depth names every figure and sets the signal files' format, its rate
    // theirs.
    WaveInfo scaleFile;
    // Why the run could not do its job, in words, when a front end found so
    // (an unusable take, a verdict that cannot tell); empty otherwise.
    std::vector<std::string> problems;
    // The two unrounded means subtracted, in LSB of figureBitsOf.
    NullFigures null;
};

// The header of the reference set's scale take; without one, of its first
// take, else of the comparison set's first; all fields 0 when no file was read.
WaveInfo scaleFileOf(const SetStatistics& reference, const SetStatistics& comparison);

// The bits of the LSB the run's figures count: the scale file's depth, 24 for
// a float file.
std::int16_t figureBitsOf(const RunResults& run);

// The files both sets read, as they are on disk now: no output may replace one.
std::vector<FileIdentity> recordingsRead(const RunResults& run);

}  // namespace trellmark
