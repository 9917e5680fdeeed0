#pragma once
// The plain-text analysis report: both file lists, the parameters and the
// figures, with CR LF line ends.

#include <span>
#include <string>

#include "analysis/run_results.hpp"
#include "io/write_result.hpp"
#include "spectrum/run_spectrum.hpp"
#include "verdict/channel_verdicts.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// Writes the report, replacing any file of that name once the report is
// complete; with a verdict, a VERDICT section follows the results. The names
// openOutputFile refuses, among them the recordings the run read, write
// nothing.
WriteResult writeAnalysisReport(const std::string& fileName, const RunResults& run,
                                const Verdict* verdict = nullptr,
                                const SpectrumResult* spectrum = nullptr);

// The report of a run over every channel: the files and parameters once, the
// results of each channel in turn, and with a verdict its lines per channel
// and the one verdict across channels.
WriteResult writeChannelsReport(const std::string& fileName, std::span<const ChannelRun> channels,
                                const Verdict* across);

}  // namespace trellmark
