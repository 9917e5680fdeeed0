#pragma once
// A run's parameters, files and figures as one JSON object, for other
// programs: numbers at full precision, null where a value does not exist.

#include <string>
#include <vector>

#include "analysis/run_results.hpp"
#include "io/write_result.hpp"
#include "spectrum/run_spectrum.hpp"
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

}  // namespace trellmark
