#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wave/wave_info.hpp"
#include "wave/wave_writer.hpp"

namespace trellmark {

struct SignalFileNames {
    std::string referenceMean;
    std::string comparisonMean;
    std::string difference;
};

// The reference mean, the comparison mean and the difference signal, in this
// order, each analysisLength samples at the last file's rate and depth. An
// empty name, or one that cannot be created, skips only that file.
void writeSignalFiles(const SignalFileNames& names, std::int32_t analysisLength,
                      const WaveInfo& lastFile, const std::vector<double>& referenceMean,
                      const std::vector<double>& comparisonMean,
                      const std::vector<double>& differenceSignal, DitherGenerator& dither);

}  // namespace trellmark
