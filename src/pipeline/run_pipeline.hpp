#pragma once
// One run, in the steps both front ends take: read the reference set, read the
// comparison set, compare, judge, write the outputs. The dialogue asks its
// questions between the steps; a command-line run asks nothing.

#include <cstdio>
#include <optional>
#include <vector>

#include "analysis/analysis_events.hpp"
#include "analysis/run_results.hpp"
#include "io/write_result.hpp"
#include "pipeline/run_request.hpp"
#include "spectrum/run_spectrum.hpp"
#include "verdict/take_windows.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// A run between its steps.
struct RunState {
    RunRequest request;
    RunResults run;
    TakeWindows windows;                     // for the verdict's permutation test
    std::optional<Verdict> verdict;          // once judged, when the request wants one
    std::optional<SpectrumResult> spectrum;  // once judged, when the request wants it
};

// What a finished run found and what became of each output.
struct RunOutcome {
    RunResults run;
    std::optional<Verdict> verdict;
    std::optional<SpectrumResult> spectrum;
    std::vector<OutputOutcome> outputs;  // one per output asked for, in the order written
};

RunState startRun(RunRequest request);

// Each set is announced to `events` as it is read, and its summary once it is
// in. The size of the comparison set decides whether the verdict can afford
// to keep the takes' windows: a front end that does not know it yet gives the
// reference set's.
void readReferenceSet(RunState& state, FileSet set, int comparisonTakes, AnalysisEvents& events);
void readComparisonSet(RunState& state, FileSet set, AnalysisEvents& events);

// The index-by-index test of the two sets, announced to `events`.
void compareReadSets(RunState& state, AnalysisEvents& events);

// The verdict, when the request wants one; the takes' windows are let go.
void judgeRun(RunState& state);

// Writes every output of state.request.outputs, each whatever became of the
// others, and hands back the run. `standardOutput` takes the outputs named
// "-"; null refuses them.
RunOutcome finishRun(RunState&& state, std::FILE* standardOutput);

// The first four steps at once, for a run that asks nothing between them.
RunState analyseSets(RunRequest request, FileSet reference, FileSet comparison,
                     AnalysisEvents& events);

}  // namespace trellmark
