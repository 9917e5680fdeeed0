#pragma once
// The three signal files of a run: both mean signals and the difference.

#include <string>
#include <vector>

#include "analysis/run_results.hpp"
#include "io/write_result.hpp"

namespace trellmark {

struct SignalFileNames {
    std::string referenceMean;
    std::string comparisonMean;
    std::string difference;
};

// The reference mean, the comparison mean and the difference signal, in this
// order, each analysisLength samples at the scale file's rate, in the format
// its units go into (16 or 24-bit PCM, 32-bit float), with the dither of a
// fresh run. One outcome for each named file, kinds
// "referenceMean", "comparisonMean" and "difference"; a name that cannot be
// written skips only that file, and none replaces a recording the run read.
std::vector<OutputOutcome> writeSignalFiles(const SignalFileNames& names, const RunResults& run);

}  // namespace trellmark
