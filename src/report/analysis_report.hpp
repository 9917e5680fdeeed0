#pragma once

#include <cstdint>
#include <string>

#include "run/analysis_parameters.hpp"
#include "run/file_set.hpp"
#include "stats/set_comparison.hpp"
#include "stats/set_statistics.hpp"

namespace trellmark {

struct ReportInputs {
    const FileSet& referenceSet;
    const FileSet& comparisonSet;
    const SetStatistics& referenceStatistics;
    const SetStatistics& comparisonStatistics;
    const AnalysisParameters& parameters;
    const ComparisonResult& result;
    std::int16_t bitsPerSample;  // of the file read last
};

// Writes the plain-text report (CR LF line ends), replacing any file of that
// name. An empty name or a name with "*" or "?" writes nothing; a file that
// cannot be created is skipped.
void writeAnalysisReport(const std::string& fileName, const ReportInputs& inputs);

}  // namespace trellmark
