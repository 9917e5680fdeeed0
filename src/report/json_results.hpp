#pragma once
// A run's parameters, files and figures as one JSON object, for other
// programs: numbers at full precision, null where a value does not exist.

#include <span>
#include <string>
#include <vector>

#include "analysis/run_results.hpp"
#include "io/write_result.hpp"
#include "spectrum/run_spectrum.hpp"
#include "verdict/channel_verdicts.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// The JSON text, one object, ending in a line end. Text that is not valid
// UTF-8 (a file name may hold any bytes) is written with U+FFFD in place of
// each invalid byte, and beside it a field named after it with "Bytes"
// appended holding the raw bytes in hexadecimal, so nothing is lost.
// With a verdict, a "verdict" object follows the result; with a spectrum, a
// "spectrum" object follows that, with the run's verdict from both.
std::string runJson(const RunResults& run, const std::vector<OutputOutcome>& outputs,
                    const std::string& version, const Verdict* verdict = nullptr,
                    const SpectrumResult* spectrum = nullptr);

// The JSON of a run over every channel: parameters ("channel": "all" and the
// count), both sets' files once (each file's format; no impulse, level or
// note, which belong to a channel), then "channels", one object per channel:
// "channel" (from 1), per set its takes' impulse and level and its standard
// deviations, "notes" (each noted file's path and note on that channel),
// "result", "null" and its part of the verdict; then "error", the one
// "verdict" across channels (its clusters each with "channel") and "outputs".
std::string channelsJson(std::span<const ChannelRun> channels, const Verdict* across,
                         const std::vector<OutputOutcome>& outputs, const std::string& version);

}  // namespace trellmark
