#pragma once
// Writing every output a run was asked for, each whatever became of the others.

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "analysis/run_results.hpp"
#include "io/write_result.hpp"
#include "pipeline/run_request.hpp"
#include "spectrum/run_spectrum.hpp"
#include "verdict/channel_verdicts.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// The report, the three signal files, the CSV, the figure, the report page and
// last the JSON,
// one outcome for each that was named. `verdict` may be null; it goes into the
// report only when the request reports it. `standardOutput` takes the outputs
// named "-"; when it is null they are refused.
// An output that names the file of an earlier one, however spelled (through
// a link, "./out" for "out"), is refused with the earlier one's name; the
// earlier one is written.
std::vector<OutputOutcome> writeOutputs(const RunRequest& request, const RunResults& run,
                                        const Verdict* verdict, std::FILE* standardOutput,
                                        const SpectrumResult* spectrum = nullptr);

// The same for a run over every channel: each output with every channel, and
// the one verdict across them (may be null).
std::vector<OutputOutcome> writeChannelOutputs(const RunRequest& request,
                                               std::span<const ChannelRun> channels,
                                               const Verdict* across, std::FILE* standardOutput);

// Whether two output names lead to one file: the same file if it exists, the
// same resolved path if not. "-" is only itself; a device is never shared.
bool namesOneFile(const std::string& first, const std::string& second);

}  // namespace trellmark
