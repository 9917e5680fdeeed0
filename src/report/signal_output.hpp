#pragma once
// The three signal files of a run: both mean signals and the difference.

#include <string>

#include "analysis/run_results.hpp"
#include "wave/wave_writer.hpp"

namespace trellmark {

struct SignalFileNames {
    std::string referenceMean;
    std::string comparisonMean;
    std::string difference;
};

// Which of the three files were written, and why not where one was not; a file
// not asked for counts as not written.
struct SignalFilesWritten {
    bool referenceMean = false;
    bool comparisonMean = false;
    bool difference = false;
    std::string referenceMeanFailure;
    std::string comparisonMeanFailure;
    std::string differenceFailure;
};

// The reference mean, the comparison mean and the difference signal, in this
// order, each analysisLength samples at the last file's rate and depth. An
// empty name, or one that cannot be created, skips only that file; none
// replaces a recording the run read.
SignalFilesWritten writeSignalFiles(const SignalFileNames& names, const RunResults& run,
                                    DitherGenerator& dither);

}  // namespace trellmark
