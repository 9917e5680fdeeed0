#include "pipeline/channel_runs.hpp"

#include <string>
#include <utility>

#include "pipeline/output_writing.hpp"
#include "pipeline/run_pipeline.hpp"
#include "wave/wave_reader.hpp"

namespace trellmark {

int channelCountOf(const FileSet& reference, const FileSet& comparison) {
    HeldWave held;
    WaveInfo info;
    for (const FileSet* set : {&reference, &comparison}) {
        for (const std::string& path : set->paths) {
            openWave(held, path, info);
            if (info.channels > 0) return info.channels;
        }
    }
    return 0;
}

ChannelsOutcome analyseEveryChannel(const RunRequest& request, const FileSet& reference,
                                    const FileSet& comparison, int channels,
                                    AnalysisEvents& events) {
    std::vector<RunResults> runs;
    std::vector<std::vector<std::int64_t>> windows;
    std::string skip;
    for (int channel = 0; channel < channels; ++channel) {
        events.channelStarted(channel, channels);
        RunRequest asked = request;
        asked.parameters.channel = static_cast<std::int16_t>(channel);
        asked.parameters.channelChosen = true;
        asked.spectrum.wanted = false;
        // The verdict holds every channel's windows at once: each channel's
        // are kept only if all of them fit.
        asked.verdict.memoryChannels = channels;
        RunState state = startRun(std::move(asked));
        readReferenceSet(state, reference, comparison.count, events);
        readComparisonSet(state, comparison, events);
        compareReadSets(state, events);
        if (skip.empty()) skip = state.windows.skip;
        windows.push_back(std::move(state.windows.values));
        runs.push_back(std::move(state.run));
    }
    ChannelsOutcome outcome;
    std::vector<Verdict> parts(runs.size());
    if (request.verdict.wanted && !runs.empty()) {
        ChannelVerdicts verdicts =
            verdictAcrossChannels(runs, windows, request.verdict.permutations, skip);
        outcome.across = std::move(verdicts.across);
        parts = std::move(verdicts.channels);
    }
    windows.clear();
    for (std::size_t c = 0; c < runs.size(); ++c) {
        outcome.channels.push_back({std::move(runs[c]), std::move(parts[c])});
    }
    return outcome;
}

void writeEveryChannel(const RunRequest& request, ChannelsOutcome& outcome,
                       std::FILE* standardOutput) {
    if (outcome.channels.empty()) return;
    outcome.outputs = writeChannelOutputs(
        request, outcome.channels, outcome.across ? &*outcome.across : nullptr, standardOutput);
}

}  // namespace trellmark
