#include "compare/compare_run.hpp"

#include <string>
#include <vector>

#include "analysis/file_set.hpp"
#include "analysis/memory_budget.hpp"
#include "compare/progress_bar.hpp"
#include "compare/stream_events.hpp"
#include "io/memory_limits.hpp"
#include "io/output_file.hpp"
#include "pipeline/run_pipeline.hpp"
#include "report/spectrum_lines.hpp"
#include "report/verdict_lines.hpp"
#include "text/utf8.hpp"

namespace trellmark {
namespace {

// Names in the message are shown with their control characters as "?".
// False when standard error could not take it either.
bool complain(const Streams& streams, const std::string& message) {
    const int written = std::fprintf(streams.err, "trellmark: %s\n", printableText(message).c_str());
    return std::fflush(streams.err) == 0 && written >= 0;
}

// A set must have files: a pattern that matches nothing is a mistake in the
// command, not a comparison.
bool setHasFiles(const FileSet& set, const Streams& streams) {
    if (set.count > 0) return true;
    complain(streams, "no file matches " + set.directory + "/" + fileSetPattern(set.coreName));
    return false;
}

}  // namespace

int runCompare(const CompareOptions& options, const Streams& streams) {
    FileSet reference = findFileSet(options.referenceDirectory, options.referenceCore);
    FileSet comparison = findFileSet(options.comparisonDirectory, options.comparisonCore);
    const bool sameSet =
        reference.directory == comparison.directory && reference.coreName == comparison.coreName;
    const bool referenceFound = setHasFiles(reference, streams);
    if (!referenceFound && sameSet) return troubleStatus;
    if (!setHasFiles(comparison, streams) || !referenceFound) return troubleStatus;
    const AnalysisParameters& parameters = options.request.parameters;
    if (!analysisFitsInMemory(parameters.analysisLength, availableMemoryBytes())) {
        complain(streams, "--length: " + std::to_string(parameters.analysisLength) +
                              " samples do not fit in the memory of this computer");
        return troubleStatus;
    }

    ProgressBar progress(streams.errIsTerminal ? streams.err : nullptr, streams.terminalWidth,
                         streams.colour);
    StreamEvents events(options.linesOnStandardOutput() ? streams.out : nullptr, streams.err,
                        progress, parameters);
    RunState state =
        analyseSets(options.request, std::move(reference), std::move(comparison), events);
    progress.stop();
    const Verdict& verdict = *state.verdict;
    writeVerdictLines(events.lines(), verdict, parameters.confidenceLevel);
    VerdictOutcome outcomeOfRun = verdict.outcome;
    std::string cannotTellReason = verdict.reason;
    if (state.spectrum) {
        const Verdict& spectrum = state.spectrum->verdict;
        writeSpectrumLines(events.lines(), *state.spectrum, verdict, parameters.confidenceLevel);
        outcomeOfRun = combinedOutcome(verdict, spectrum);
        if (verdict.outcome != VerdictOutcome::cannotTell) cannotTellReason = spectrum.reason;
    }
    // A run that cannot tell has not done its job: a script must never read
    // it as "no difference".
    bool trouble = outcomeOfRun == VerdictOutcome::cannotTell;
    if (trouble) complain(streams, "cannot tell whether the sets differ. " + cannotTellReason);

    const RunOutcome outcome = finishRun(std::move(state), streams.out);
    for (const OutputOutcome& output : outcome.outputs) {
        if (output.result.written) continue;
        complain(streams, "cannot write " + output.path + ": " + output.result.failure);
        trouble = true;
    }
    // Lines lost on the way to standard output are a run whose results
    // nobody saw, whatever they said.
    if (events.linesFailed()) {
        complain(streams, "cannot write the results to standard output: " +
                              failureInWords(events.linesError()));
        trouble = true;
    }
    if (std::ferror(streams.err) != 0) trouble = true;
    if (trouble) return troubleStatus;
    return outcomeOfRun == VerdictOutcome::differ ? differStatus : completedStatus;
}

int runParsedCommand(const Command& command, const Streams& streams) {
    switch (command.kind) {
        case CommandKind::dialogue:  // the caller's: it needs a terminal
            return completedStatus;
        case CommandKind::help:
        case CommandKind::version: {
            const std::string text =
                command.text.substr(0, command.text.find_last_not_of('\n') + 1);
            const int written = std::fprintf(streams.out, "%s\n", text.c_str());
            if (std::fflush(streams.out) == 0 && written >= 0) return completedStatus;
            complain(streams, "cannot write to standard output");
            return troubleStatus;
        }
        case CommandKind::mistake:
            complain(streams, command.text);
            std::fputs("See 'trellmark --help' for the options.\n", streams.err);
            return mistakeStatus;
        case CommandKind::compare:
            break;
    }
    return runCompare(command.compare, streams);
}

}  // namespace trellmark
