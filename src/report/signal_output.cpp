#include "report/signal_output.hpp"

#include "wave/wave_writer.hpp"

namespace trellmark {

std::vector<OutputOutcome> writeSignalFiles(const SignalFileNames& names, const RunResults& run) {
    const std::int32_t length = run.parameters.analysisLength;
    const WaveInfo& scale = run.scaleFile;
    const OutputUnits units = outputUnitsFor(scale);
    const std::vector<FileIdentity> inputs = recordingsRead(run);
    const struct {
        const char* kind;
        const std::string& name;
        const std::vector<double>& signal;
    } files[] = {{"referenceMean", names.referenceMean, run.referenceStatistics.mean},
                 {"comparisonMean", names.comparisonMean, run.comparisonStatistics.mean},
                 {"difference", names.difference, run.result.differenceSignal}};
    std::vector<OutputOutcome> outcomes;
    DitherGenerator dither;
    // Every file goes through the writer even without a name: the call still
    // uses its dither draws, so a file's bytes never depend on which other
    // files were asked for.
    for (const auto& file : files) {
        std::string failure;
        // Figures of an 8- or 32-bit take go into 16- and 24-bit files.
        std::vector<double> scaled;
        if (units.scale != 1) {
            scaled.reserve(file.signal.size());
            for (const double value : file.signal) scaled.push_back(value * units.scale);
        }
        const bool written =
            writeWave(file.name, length, scale.sampleRate, units.format,
                      units.scale != 1 ? scaled : file.signal, dither, inputs, &failure);
        if (!file.name.empty()) outcomes.push_back({file.kind, file.name, {written, failure}});
    }
    return outcomes;
}

}  // namespace trellmark
