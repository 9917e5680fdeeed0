#pragma once
// The plain-text analysis report: both file lists, the parameters and the
// figures, with CR LF line ends.

#include <string>

#include "analysis/run_results.hpp"

namespace trellmark {

// Writes the report, replacing any file of that name. An empty name or a name
// with "*" or "?" writes nothing. Returns false when the file could not be
// created or not every byte reached it.
bool writeAnalysisReport(const std::string& fileName, const RunResults& run);

}  // namespace trellmark
