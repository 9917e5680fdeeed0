#include "cli/compare_run.hpp"

#include <string>
#include <vector>

#include "analysis/file_set.hpp"
#include "analysis/memory_budget.hpp"
#include "analysis/run_analysis.hpp"
#include "cli/progress_bar.hpp"
#include "cli/stream_events.hpp"
#include "report/analysis_report.hpp"
#include "report/csv_results.hpp"
#include "report/figure_output.hpp"
#include "report/json_results.hpp"
#include "report/output_stream.hpp"
#include "report/signal_output.hpp"
#include "report/verdict_lines.hpp"
#include "text/utf8.hpp"
#include "verdict/run_verdict.hpp"
#include "verdict/verdict_budget.hpp"

namespace trellmark {
namespace {

// Names in the message are shown with their control characters as "?".
void complain(const Streams& streams, const std::string& message) {
    std::fprintf(streams.err, "trellmark: %s\n", printableText(message).c_str());
    std::fflush(streams.err);
}

// A set must have files: a pattern that matches nothing is a mistake in the
// command, not a comparison.
bool setHasFiles(const FileSet& set, const Streams& streams) {
    if (set.count > 0) return true;
    complain(streams, "no file matches " + set.directory + "/" + fileSetPattern(set.coreName));
    return false;
}

bool writeToStandardOutput(const Streams& streams, const std::function<bool(std::FILE*)>& write) {
    const bool written = write(streams.out);
    return std::fflush(streams.out) == 0 && written;
}

// Writes to the named file, or to standard output for "-".
OutputStatus writeResultsFile(const std::string& kind, const std::string& name,
                              const RunResults& run, const Streams& streams,
                              const std::function<bool(std::FILE*)>& write) {
    OutputStatus status{kind, name, false, {}};
    if (name == standardOutputName) {
        status.written = writeToStandardOutput(streams, write);
        if (!status.written) status.failure = "standard output could not take it";
    } else {
        status.written = writeThroughStream(name, recordingsRead(run), write, status.failure);
    }
    return status;
}

std::vector<OutputStatus> writeOutputs(const CompareOptions& options, const RunResults& run,
                                       const Verdict& verdict, const Streams& streams) {
    std::vector<OutputStatus> statuses;
    if (!options.report.empty()) {
        OutputStatus status{"report", options.report, false, {}};
        status.written = writeAnalysisReport(options.report, run, &status.failure, &verdict);
        statuses.push_back(status);
    }
    // All three signals go through the writer, named or not, so that each
    // file's dither is the one the dialogue gives it.
    const SignalFileNames names{options.referenceMean, options.comparisonMean, options.difference};
    if (!names.referenceMean.empty() || !names.comparisonMean.empty() ||
        !names.difference.empty()) {
        DitherGenerator dither;
        const SignalFilesWritten written = writeSignalFiles(names, run, dither);
        if (!names.referenceMean.empty()) {
            statuses.push_back({"referenceMean", names.referenceMean, written.referenceMean,
                                written.referenceMeanFailure});
        }
        if (!names.comparisonMean.empty()) {
            statuses.push_back({"comparisonMean", names.comparisonMean, written.comparisonMean,
                                written.comparisonMeanFailure});
        }
        if (!names.difference.empty()) {
            statuses.push_back(
                {"difference", names.difference, written.difference, written.differenceFailure});
        }
    }
    if (!options.csv.empty()) {
        statuses.push_back(
            writeResultsFile("csv", options.csv, run, streams, [&run, &verdict](std::FILE* stream) {
                return writeCsvResults(stream, run, &verdict);
            }));
    }
    if (!options.plot.empty()) {
        const FigureOutcome figure = writeRunFigure(run, &verdict, options.plot, options.plotSize);
        statuses.push_back({"plot", options.plot, figure.written, figure.failure});
    }
    // The JSON comes last, so that it can tell what became of the others.
    if (!options.json.empty()) {
        const std::string json = runJson(run, statuses, TRELLMARK_VERSION, &verdict);
        statuses.push_back(writeResultsFile(
            "json", options.json, run, streams,
            [&json](std::FILE* stream) { return std::fputs(json.c_str(), stream) >= 0; }));
    }
    return statuses;
}

}  // namespace

int runCompare(const CompareOptions& options, const Streams& streams) {
    const FileSet reference = findFileSet(options.referenceDirectory, options.referenceCore);
    const FileSet comparison = findFileSet(options.comparisonDirectory, options.comparisonCore);
    const bool sameSet =
        reference.directory == comparison.directory && reference.coreName == comparison.coreName;
    const bool referenceFound = setHasFiles(reference, streams);
    if (!referenceFound && sameSet) return troubleStatus;
    if (!setHasFiles(comparison, streams) || !referenceFound) return troubleStatus;
    const AnalysisParameters& parameters = options.parameters;
    if (!analysisFitsInMemory(parameters.analysisLength, availableMemoryBytes())) {
        complain(streams, "--length: " + std::to_string(parameters.analysisLength) +
                              " samples do not fit in the memory of this computer");
        return troubleStatus;
    }

    ProgressBar progress(streams.errIsTerminal ? streams.err : nullptr, streams.terminalWidth,
                         streams.colour);
    StreamEvents events(options.linesOnStandardOutput() ? streams.out : nullptr, streams.err,
                        progress, parameters);
    std::vector<std::int64_t> windows;
    std::string skip = permutationTestSkip(reference.count, comparison.count, parameters,
                                           options.permutations, availableMemoryBytes());
    const bool keepWindows =
        skip.empty() &&
        permutationTestWanted(reference.count, comparison.count, parameters, options.permutations);
    const RunResults run =
        analyseRun(reference, comparison, parameters, events, keepWindows ? &windows : nullptr);
    progress.stop();
    Verdict verdict = verdictOfRun(run, windows, options.permutations, skip);
    windows = {};
    writeVerdictLines(events.lines(), verdict, parameters.confidenceLevel);
    if (verdict.outcome == VerdictOutcome::cannotTell) {
        complain(streams, "warning: cannot tell whether the sets differ. " + verdict.reason);
    }

    int status = verdict.outcome == VerdictOutcome::differ ? differStatus : completedStatus;
    for (const OutputStatus& output : writeOutputs(options, run, verdict, streams)) {
        if (output.written) continue;
        complain(streams, "cannot write " + output.path + ": " + output.failure);
        status = troubleStatus;
    }
    return status;
}

int runParsedCommand(const Command& command, const Streams& streams) {
    switch (command.kind) {
        case CommandKind::dialogue:  // the caller's: it needs a terminal
            return completedStatus;
        case CommandKind::help:
        case CommandKind::version:
            std::fprintf(streams.out, "%s\n",
                         command.text.substr(0, command.text.find_last_not_of('\n') + 1).c_str());
            return std::fflush(streams.out) == 0 ? completedStatus : troubleStatus;
        case CommandKind::mistake:
            complain(streams, command.text);
            std::fputs("See 'trellmark --help' for the options.\n", streams.err);
            return mistakeStatus;
        case CommandKind::compare:
            break;
    }
    return runCompare(command.compare, streams);
}

std::optional<int> runCommandLine(std::span<const std::string> arguments, const Streams& streams) {
    const Command command = parseCommandLine(arguments);
    if (command.kind == CommandKind::dialogue) return std::nullopt;
    return runParsedCommand(command, streams);
}

}  // namespace trellmark
