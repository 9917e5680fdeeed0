#include "report/signal_output.hpp"

#include <algorithm>

#include "wave/wave_writer.hpp"

namespace trellmark {
namespace {

struct SignalKind {
    const char* kind;
    std::string SignalFileNames::*name;
    const std::vector<double>& (*signalOf)(const RunResults&);
};

const SignalKind signalKinds[] = {
    {"referenceMean", &SignalFileNames::referenceMean,
     [](const RunResults& run) -> const std::vector<double>& {
         return run.referenceStatistics.mean;
     }},
    {"comparisonMean", &SignalFileNames::comparisonMean,
     [](const RunResults& run) -> const std::vector<double>& {
         return run.comparisonStatistics.mean;
     }},
    {"difference", &SignalFileNames::difference,
     [](const RunResults& run) -> const std::vector<double>& {
         return run.result.differenceSignal;
     }},
};

// Figures of an 8- or 32-bit take go into 16- and 24-bit files.
std::vector<double> inFileUnits(const std::vector<double>& signal, const OutputUnits& units) {
    if (units.scale == 1) return signal;
    std::vector<double> scaled;
    scaled.reserve(signal.size());
    for (const double value : signal) scaled.push_back(value * units.scale);
    return scaled;
}

bool sameUnits(const OutputUnits& a, const OutputUnits& b) {
    return a.format == b.format && a.figureBits == b.figureBits && a.scale == b.scale;
}

// The files of one or more channels, each channel's run in file order.
std::vector<OutputOutcome> writeSignalsOf(const SignalFileNames& names,
                                          std::span<const RunResults* const> channels) {
    const RunResults& first = *channels.front();
    const std::int32_t length = first.parameters.analysisLength;
    const WaveInfo& scale = first.scaleFile;
    const OutputUnits units = outputUnitsFor(scale);
    const bool oneUnit = std::all_of(channels.begin(), channels.end(), [&](const RunResults* c) {
        return sameUnits(outputUnitsFor(c->scaleFile), units);
    });
    const std::vector<FileIdentity> inputs = recordingsRead(first);
    std::vector<OutputOutcome> outcomes;
    DitherGenerator dither;
    // Every file goes through the writer even without a name: the call still
    // uses its dither draws, so a file's bytes never depend on which other
    // files were asked for.
    for (const SignalKind& kind : signalKinds) {
        const std::string& name = names.*kind.name;
        std::vector<std::vector<double>> signals;
        for (const RunResults* channel : channels) {
            signals.push_back(inFileUnits(kind.signalOf(*channel), units));
        }
        std::string failure;
        bool written = false;
        if (oneUnit) {
            written = writeWaveChannels(name, length, scale.sampleRate, units.format, signals,
                                        dither, inputs, &failure);
        } else {
            failure = "the channels' figures are in steps of different depths";
        }
        if (!name.empty()) outcomes.push_back({kind.kind, name, {written, failure}});
    }
    return outcomes;
}

}  // namespace

std::vector<OutputOutcome> writeSignalFiles(const SignalFileNames& names, const RunResults& run) {
    const RunResults* const only = &run;
    return writeSignalsOf(names, {&only, 1});
}

std::vector<OutputOutcome> writeChannelSignalFiles(const SignalFileNames& names,
                                                   std::span<const ChannelRun> channels) {
    std::vector<const RunResults*> runs;
    for (const ChannelRun& channel : channels) runs.push_back(&channel.run);
    return writeSignalsOf(names, runs);
}

}  // namespace trellmark
