#pragma once
// One verdict across every channel of a recording. Each channel is analysed
// as its own comparison, but the permutation test splits the takes once for
// all of them and keeps the largest cluster over every channel, so that the
// chance of a false "differ" stays at alpha for the whole recording.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "analysis/run_results.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// One channel of a run over every channel: its own analysis, and the part of
// the verdict across channels that falls on its indices.
struct ChannelRun {
    RunResults run;   // run.parameters.channel is the channel, counting from 0
    Verdict verdict;  // this channel's per-index figures, clusters and false
                      // discovery count; outcome and splits those across channels
};

struct ChannelVerdicts {
    // The one verdict: outcome, reason, splits, the false discovery count over
    // every channel's indices, and every cluster with its channel (indices
    // counted in that channel's window). Its per-index arrays are empty.
    Verdict across;
    std::vector<Verdict> channels;  // one per run given, in order
};

// From each channel's run and its takes' scaled windows (as verdictOfRun
// takes them; empty when `skipPermutationTest` says why the test is not run).
// REQUIRES: runs.size() == windows.size() >= 1, the runs of one pair of sets
// and one window length.
ChannelVerdicts verdictAcrossChannels(std::span<const RunResults> runs,
                                      std::span<const std::vector<std::int64_t>> windows,
                                      const PermutationOptions& options,
                                      std::string_view skipPermutationTest);

}  // namespace trellmark
