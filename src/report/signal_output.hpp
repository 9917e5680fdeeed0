#pragma once
// The three signal files of a run: both mean signals and the difference.

#include <span>
#include <string>
#include <vector>

#include "analysis/run_results.hpp"
#include "io/write_result.hpp"
#include "verdict/channel_verdicts.hpp"

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

// The same for a run over every channel: each file holds one channel per
// channel analysed. Channels whose figures are in different units (their
// scale takes differ in depth) cannot share a file: none is written.
std::vector<OutputOutcome> writeChannelSignalFiles(const SignalFileNames& names,
                                                   std::span<const ChannelRun> channels);

}  // namespace trellmark
