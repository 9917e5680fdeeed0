#pragma once
// A run over every channel of the recordings: each channel read and compared
// as a run of its own, all of them judged by one verdict, and every output
// written with each channel.

#include <cstdio>
#include <optional>
#include <vector>

#include "analysis/analysis_events.hpp"
#include "io/write_result.hpp"
#include "pipeline/run_request.hpp"
#include "verdict/channel_verdicts.hpp"

namespace trellmark {

struct ChannelsOutcome {
    std::vector<ChannelRun> channels;  // in channel order
    std::optional<Verdict> across;     // when the request wants a verdict
    std::vector<OutputOutcome> outputs;
};

// The channels of the first file of either set that holds any; 0 when none does.
int channelCountOf(const FileSet& reference, const FileSet& comparison);

// Reads, compares and judges channels 0 .. channels - 1 of both sets. Each
// channel's set summaries are announced to `events` after its channelStarted.
// The request's own channel is not used; a spectrum is not asked of it.
ChannelsOutcome analyseEveryChannel(const RunRequest& request, const FileSet& reference,
                                    const FileSet& comparison, int channels,
                                    AnalysisEvents& events);

// Writes every output of the request, as finishRun does for one channel.
void writeEveryChannel(const RunRequest& request, ChannelsOutcome& outcome,
                       std::FILE* standardOutput);

}  // namespace trellmark
