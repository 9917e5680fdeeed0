#include "report/signal_output.hpp"

namespace trellmark {

// All three calls are made even for an empty name: the failed call still uses
// its dither draws, so a file's bytes never depend on which other files were
// asked for.
SignalFilesWritten writeSignalFiles(const SignalFileNames& names, const RunResults& run,
                                    DitherGenerator& dither) {
    const std::int32_t length = run.parameters.analysisLength;
    const WaveInfo& last = run.lastFile;
    const std::vector<FileIdentity> inputs = recordingsRead(run);
    SignalFilesWritten written;
    written.referenceMean =
        writeWave(names.referenceMean, length, last.sampleRate, last.bitsPerSample,
                  run.referenceStatistics.mean, dither, inputs, &written.referenceMeanFailure);
    written.comparisonMean =
        writeWave(names.comparisonMean, length, last.sampleRate, last.bitsPerSample,
                  run.comparisonStatistics.mean, dither, inputs, &written.comparisonMeanFailure);
    written.difference =
        writeWave(names.difference, length, last.sampleRate, last.bitsPerSample,
                  run.result.differenceSignal, dither, inputs, &written.differenceFailure);
    return written;
}

}  // namespace trellmark
