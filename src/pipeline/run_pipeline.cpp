#include "pipeline/run_pipeline.hpp"

#include <utility>

#include "analysis/critical_values.hpp"
#include "pipeline/output_writing.hpp"
#include "verdict/run_verdict.hpp"

namespace trellmark {

RunState startRun(RunRequest request) {
    RunState state;
    state.request = std::move(request);
    state.run.parameters = state.request.parameters;
    return state;
}

void readReferenceSet(RunState& state, FileSet set, int comparisonTakes, AnalysisEvents& events) {
    RunResults& run = state.run;
    run.referenceFiles = std::move(set);
    const VerdictRequest& verdict = state.request.verdict;
    if (verdict.wanted) {
        planTakeWindows(state.windows, run.referenceFiles.count, comparisonTakes,
                        run.parameters, verdict.permutations);
    }
    run.referenceStatistics = computeSetStatistics(run.referenceFiles, run.parameters,
                                                   std::nullopt, events,
                                                   windowsToKeep(state.windows));
    run.lastFile = headerOfLastFileRead(run.referenceStatistics, run.comparisonStatistics);
    events.setFinished(run.referenceStatistics, run.lastFile.bitsPerSample);
}

void readComparisonSet(RunState& state, FileSet set, AnalysisEvents& events) {
    RunResults& run = state.run;
    run.comparisonFiles = std::move(set);
    const VerdictRequest& verdict = state.request.verdict;
    if (verdict.wanted) {
        planTakeWindows(state.windows, run.referenceFiles.count, run.comparisonFiles.count,
                        run.parameters, verdict.permutations);
    }
    run.comparisonStatistics = computeSetStatistics(
        run.comparisonFiles, run.parameters, referenceLevelOf(run.referenceStatistics), events,
        windowsToKeep(state.windows));
    run.lastFile = headerOfLastFileRead(run.referenceStatistics, run.comparisonStatistics);
    events.setFinished(run.comparisonStatistics, run.lastFile.bitsPerSample);
}

void compareReadSets(RunState& state, AnalysisEvents& events) {
    RunResults& run = state.run;
    events.comparisonStarted();
    run.result = compareMeans(run.referenceStatistics, run.comparisonStatistics,
                              run.parameters.analysisLength, run.parameters.confidenceLevel,
                              buildCriticalValueTables());
    events.comparisonFinished(run.result, run.lastFile.bitsPerSample);
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
    outcome.outputs = writeOutputs(state.request, state.run,
                                   state.verdict ? &*state.verdict : nullptr, standardOutput,
                                   state.spectrum ? &*state.spectrum : nullptr);
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
