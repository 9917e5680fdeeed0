#pragma once
// The plain-text analysis report: both file lists, the parameters and the
// figures, with CR LF line ends.

#include <string>

#include "analysis/run_results.hpp"
#include "io/write_result.hpp"
#include "spectrum/run_spectrum.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// Writes the report, replacing any file of that name once the report is
// complete; with a verdict, a VERDICT section follows the results. The names
// openOutputFile refuses, among them the recordings the run read, write
// nothing.
WriteResult writeAnalysisReport(const std::string& fileName, const RunResults& run,
                                const Verdict* verdict = nullptr,
                                const SpectrumResult* spectrum = nullptr);

}  // namespace trellmark
