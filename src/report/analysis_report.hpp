#pragma once
// The plain-text analysis report: both file lists, the parameters and the
// figures, with CR LF line ends.

#include <string>

#include "analysis/run_results.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// Writes the report, replacing any file of that name once the report is
// complete; with a verdict, a VERDICT section follows the results. The names openOutputFile
// refuses, among them the recordings the run read, write nothing. Returns false, with `failure` set
// when given, when the file could not be created or not every byte reached it.
bool writeAnalysisReport(const std::string& fileName, const RunResults& run,
                         std::string* failure = nullptr, const Verdict* verdict = nullptr);

}  // namespace trellmark
