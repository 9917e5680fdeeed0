#include "pipeline/run_pipeline.hpp"

#include <algorithm>
#include <limits>
#include <utility>

#include "analysis/critical_values.hpp"
#include "analysis/take_reading.hpp"
#include "pipeline/output_writing.hpp"
#include "plot/figure_file.hpp"
#include "verdict/run_verdict.hpp"

namespace trellmark {
namespace {

// The parameters the takes' windows are planned for: a verdict across
// channels holds every channel's windows end to end, one index between each.
AnalysisParameters plannedParameters(const RunState& state) {
    AnalysisParameters planned = state.run.parameters;
    const std::int64_t channels = std::max(state.request.verdict.memoryChannels, 1);
    const std::int64_t length = std::max(planned.analysisLength, 0);
    planned.analysisLength = static_cast<std::int32_t>(std::min<std::int64_t>(
        channels * (length + 1) - 1, std::numeric_limits<std::int32_t>::max()));
    return planned;
}

}  // namespace

RunState startRun(RunRequest request) {
    RunState state;
    state.request = std::move(request);
    state.run.parameters = state.request.parameters;
    if (!state.request.outputs.plot.empty()) prepareFigureFonts();
    return state;
}

void readReferenceSet(RunState& state, FileSet set, int comparisonTakes, AnalysisEvents& events) {
    RunResults& run = state.run;
    run.referenceFiles = std::move(set);
    const VerdictRequest& verdict = state.request.verdict;
    if (verdict.wanted) {
        planTakeWindows(state.windows, run.referenceFiles.count, comparisonTakes,
                        plannedParameters(state), verdict.permutations);
    }
    run.referenceStatistics = computeSetStatistics(run.referenceFiles, run.parameters, std::nullopt,
                                                   events, windowsToKeep(state.windows));
    run.scaleFile = scaleFileOf(run.referenceStatistics, run.comparisonStatistics);
    // A threshold relative to full scale shows in the steps of the scale file.
    if (run.parameters.thresholdOfFullScale) {
        run.parameters.impulseThreshold = impulseThresholdFor(run.parameters, run.scaleFile);
    }
    events.setFinished(run.referenceStatistics, figureBitsOf(run));
}

void readComparisonSet(RunState& state, FileSet set, AnalysisEvents& events) {
    RunResults& run = state.run;
    run.comparisonFiles = std::move(set);
    const VerdictRequest& verdict = state.request.verdict;
    if (verdict.wanted) {
        planTakeWindows(state.windows, run.referenceFiles.count, run.comparisonFiles.count,
                        plannedParameters(state), verdict.permutations);
    }
    // The comparison takes are held against the format of the take they are
    // scaled to.
    const WaveInfo* format = run.scaleFile.kind != SampleKind::none ? &run.scaleFile : nullptr;
    run.comparisonStatistics = computeSetStatistics(run.comparisonFiles, run.parameters,
                                                    referenceLevelOf(run.referenceStatistics),
                                                    events, windowsToKeep(state.windows), format);
    run.scaleFile = scaleFileOf(run.referenceStatistics, run.comparisonStatistics);
    events.setFinished(run.comparisonStatistics, figureBitsOf(run));
}

void compareReadSets(RunState& state, AnalysisEvents& events) {
    RunResults& run = state.run;
    events.comparisonStarted();
    run.result = compareMeans(run.referenceStatistics, run.comparisonStatistics,
                              run.parameters.analysisLength, run.parameters.confidenceLevel.test(),
                              buildCriticalValueTables());
    run.null = nullFiguresOf(run.referenceStatistics.unroundedMean,
                             run.comparisonStatistics.unroundedMean, figureBitsOf(run));
    events.comparisonFinished(run.result, figureBitsOf(run));
}

void judgeRun(RunState& state) {
    const VerdictRequest& request = state.request.verdict;
    const SpectrumRequest& spectrum = state.request.spectrum;
    if (request.wanted) {
        state.verdict = verdictOfRun(state.run, state.windows.values, request.permutations,
                                     state.windows.skip, spectrum.wanted);
    }
    if (request.wanted && spectrum.wanted) {
        state.spectrum = spectrumOfRun(state.run, state.windows.values, spectrum.fftSize,
                                       request.permutations, true, state.windows.skip);
    }
    state.windows = {};
}

RunOutcome finishRun(RunState&& state, std::FILE* standardOutput) {
    RunOutcome outcome;
    outcome.outputs =
        writeOutputs(state.request, state.run, state.verdict ? &*state.verdict : nullptr,
                     standardOutput, state.spectrum ? &*state.spectrum : nullptr);
    outcome.run = std::move(state.run);
    outcome.verdict = std::move(state.verdict);
    outcome.spectrum = std::move(state.spectrum);
    return outcome;
}

RunState analyseSets(RunRequest request, FileSet reference, FileSet comparison,
                     AnalysisEvents& events) {
    RunState state = startRun(std::move(request));
    const int comparisonTakes = comparison.count;
    readReferenceSet(state, std::move(reference), comparisonTakes, events);
    readComparisonSet(state, std::move(comparison), events);
    compareReadSets(state, events);
    judgeRun(state);
    return state;
}

}  // namespace trellmark
