#include "report/signal_output.hpp"

namespace trellmark {

// All three calls are made even for an empty name: the failed call still uses
// its dither draws, so a file's bytes never depend on which other files were
// asked for.
void writeSignalFiles(const SignalFileNames& names, std::int32_t analysisLength,
                      const WaveInfo& lastFile, const std::vector<double>& referenceMean,
                      const std::vector<double>& comparisonMean,
                      const std::vector<double>& differenceSignal, DitherGenerator& dither) {
    WRITEWAVE(names.referenceMean, analysisLength, lastFile.sampleRate, lastFile.bitsPerSample,
              referenceMean, dither);
    WRITEWAVE(names.comparisonMean, analysisLength, lastFile.sampleRate, lastFile.bitsPerSample,
              comparisonMean, dither);
    WRITEWAVE(names.difference, analysisLength, lastFile.sampleRate, lastFile.bitsPerSample,
              differenceSignal, dither);
}

}  // namespace trellmark
