#pragma once
// The null test in words: the line after the result lines, and the sentence
// that says whether the tolerances held.

#include <optional>
#include <string>
#include <string_view>

#include "analysis/null_test.hpp"
#include "report/output_target.hpp"

namespace trellmark {

// "   Difference RMS: -112.4 dBFS, peak -98.7 dBFS at index 5120, null depth
// 96.1 dB", or "   Difference RMS: no difference" for identical means; the
// line begins with `lead`, its indent or a channel's name.
std::string nullLine(const NullFigures& figures, std::string_view lead = "   ");
void writeNullLine(OutputTarget& out, const NullFigures& figures);

// A level in dBFS with one decimal; "-inf" for no difference at all.
std::string dbfsText(double dbfs);

}  // namespace trellmark
