#include "compare/compare_run.hpp"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "analysis/file_set.hpp"
#include "analysis/memory_budget.hpp"
#include "compare/progress_bar.hpp"
#include "compare/stream_events.hpp"
#include "compare/tolerance_check.hpp"
#include "io/memory_limits.hpp"
#include "io/output_file.hpp"
#include "pipeline/channel_runs.hpp"
#include "pipeline/files_left_out.hpp"
#include "pipeline/render_length.hpp"
#include "pipeline/run_pipeline.hpp"
#include "report/null_lines.hpp"
#include "report/spectrum_lines.hpp"
#include "report/verdict_lines.hpp"
#include "text/utf8.hpp"

namespace trellmark {
namespace {

// Names in the message are shown with their control characters as "?".
// False when standard error could not take it either.
bool complain(const Streams& streams, const std::string& message) {
    const int written =
        std::fprintf(streams.err, "trellmark: %s\n", printableText(message).c_str());
    return std::fflush(streams.err) == 0 && written >= 0;
}

// A set must have files: a pattern that matches nothing is a mistake in the
// command, not a comparison.
bool setHasFiles(const FileSet& set, const Streams& streams) {
    if (set.count > 0) return true;
    complain(streams, "no file matches " + fileSetName(set));
    return false;
}

// One file of a set found twice under two extensions would be the same take
// counted twice.
bool noTakeTwice(const FileSet& set, const Streams& streams) {
    const std::vector<SameTakeTwice> twice = sameTakesTwice(set);
    for (const SameTakeTwice& pair : twice) {
        complain(streams, set.directory + "/" + pair.first + " and " + set.directory + "/" +
                              pair.second + " are the same take twice; remove one");
    }
    return twice.empty();
}

// Whether a noted take leaves the run unable to do its job: every note but
// one that only tells how the file was laid out.
bool makesTrouble(FileNote note) {
    return note != FileNote::none && note != FileNote::dataBeforeFormat;
}

// Why the takes read leave the run unable to stand, if they do: takes of more
// than one channel need the channel named; noted takes make the run fail
// unless they are accepted. A take noted on several channels counts once.
std::vector<std::string> takeProblems(const std::vector<const RunResults*>& runs,
                                      const CompareOptions& options) {
    std::vector<std::string> problems;
    std::set<std::string> noted;
    for (const RunResults* run : runs) {
        for (const SetStatistics* set : {&run->referenceStatistics, &run->comparisonStatistics}) {
            for (const FileReading& file : set->files) {
                const bool unnamed = !run->parameters.channelChosen;
                if (file.header.channels > 1 && unnamed) {
                    problems.push_back(file.path + " has " + std::to_string(file.header.channels) +
                                       " channels: choose the one to analyse with --channel N");
                } else if (makesTrouble(file.note)) {
                    noted.insert(file.path);
                }
            }
        }
    }
    const auto count = noted.size();
    if (count > 0 && !options.acceptNotes) {
        problems.push_back(std::to_string(count) + (count == 1 ? " take is" : " takes are") +
                           " noted above, so the run cannot stand; --accept-notes analyses "
                           "them as they are");
    }
    return problems;
}

// What the analysis found, for the lines after it and the exit status.
struct Findings {
    VerdictOutcome outcome = VerdictOutcome::cannotTell;
    std::string cannotTellReason;
    ToleranceCheck tolerance;
};

// The run's problems named, its outputs written (`write` takes the problems
// for the JSON) and its exit status.
int concludeRun(const CompareOptions& options, const Streams& streams, StreamEvents& events,
                std::vector<std::string> problems, const Findings& findings,
                const std::function<std::vector<OutputOutcome>(std::vector<std::string>)>& write) {
    const bool byTolerance = options.tolerance.given();
    // A run that cannot tell has not done its job: a script must never read
    // it as "no difference".
    if (findings.outcome == VerdictOutcome::cannotTell && !byTolerance) {
        problems.push_back("cannot tell whether the sets differ. " + findings.cannotTellReason);
    }
    for (const std::string& problem : problems) complain(streams, problem);
    bool trouble = !problems.empty();

    for (const OutputOutcome& output : write(std::move(problems))) {
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
    if (byTolerance) return findings.tolerance.within ? completedStatus : differStatus;
    return findings.outcome == VerdictOutcome::differ ? differStatus : completedStatus;
}

void writeToleranceLines(StreamEvents& events, const ToleranceCheck& check) {
    for (const std::string& sentence : check.sentences) {
        events.lines().text(sentence);
        events.lines().lineEnd();
    }
}

// Each channel analysed in turn, then the one verdict across them.
int compareEveryChannel(const CompareOptions& options, const Streams& streams, RunRequest request,
                        const FileSet& reference, const FileSet& comparison, StreamEvents& events,
                        ProgressBar& progress, std::vector<std::string> problems) {
    const int channels = channelCountOf(reference, comparison);
    if (channels == 0) {
        problems.push_back("--channel all: no file of either set could be read for its channels");
    }
    ChannelsOutcome outcome =
        analyseEveryChannel(request, reference, comparison, std::max(channels, 1), events);
    progress.stop();
    const ConfidenceLevel confidence = request.parameters.confidenceLevel;
    Findings findings;
    findings.outcome = outcome.across->outcome;
    findings.cannotTellReason = outcome.across->reason;
    writeLabelledLines(events.lines(),
                       channelVerdictLines(outcome.channels, *outcome.across, confidence));
    std::vector<const RunResults*> runs;
    for (const ChannelRun& channel : outcome.channels) {
        runs.push_back(&channel.run);
        const std::string heading =
            "   Channel " + std::to_string(channel.run.parameters.channel + 1) + ": ";
        events.lines().text(nullLine(channel.run.null, heading));
        events.lines().lineEnd();
        const ToleranceCheck check = checkTolerances(channel.run.null, options.tolerance, heading);
        writeToleranceLines(events, check);
        findings.tolerance.within = findings.tolerance.within && check.within;
    }
    const std::vector<std::string> takes = takeProblems(runs, options);
    problems.insert(problems.begin(), takes.begin(), takes.end());
    return concludeRun(options, streams, events, std::move(problems), findings,
                       [&](std::vector<std::string> named) {
                           for (ChannelRun& channel : outcome.channels) {
                               channel.run.problems = named;
                           }
                           writeEveryChannel(request, outcome, streams.out);
                           return outcome.outputs;
                       });
}

}  // namespace

int runCompare(const CompareOptions& options, const Streams& streams) {
    FileSet reference = findFileSet(options.referenceDirectory, options.referenceCore,
                                    SetExtensions::everySupported);
    FileSet comparison = findFileSet(options.comparisonDirectory, options.comparisonCore,
                                     SetExtensions::everySupported);
    const bool sameSet =
        reference.directory == comparison.directory && reference.coreName == comparison.coreName;
    const bool referenceFound = setHasFiles(reference, streams);
    if (!referenceFound && sameSet) return troubleStatus;
    if (!setHasFiles(comparison, streams) || !referenceFound) return troubleStatus;
    const bool referenceOnce = noTakeTwice(reference, streams);
    if (!(sameSet || noTakeTwice(comparison, streams)) || !referenceOnce) return troubleStatus;
    // A set holds 1000 files at most: more matching files are a run on
    // another set than the one asked for.
    bool leftOutNoted = false;
    for (const FileSet* set : {&reference, &comparison}) {
        if (set == &comparison && sameSet) break;
        if (const int leftOut = filesLeftOut(*set); leftOut > 0) {
            complain(streams,
                     "warning: " + fileSetName(*set) + ": " + filesLeftOutNote(*set, leftOut));
            leftOutNoted = true;
        }
    }
    AnalysisParameters parameters = options.request.parameters;
    bool lengthsDiffer = false;
    // Renders without a length are compared over the shortest; a truncated
    // render is a regression too, so a length difference is a note.
    if (!parameters.alignOnImpulse && parameters.analysisLength == 0) {
        const RenderLengths lengths = renderLengthsOf(reference, comparison, parameters.channel);
        const std::int64_t window = std::clamp<std::int64_t>(
            lengths.shortest - parameters.startOffset, 0, std::numeric_limits<std::int32_t>::max());
        parameters.analysisLength = static_cast<std::int32_t>(window);
        if (lengths.shortest != lengths.longest) {
            complain(streams, "warning: " + lengthNote(lengths, parameters.startOffset));
            lengthsDiffer = true;
        }
    }
    if (!analysisFitsInMemory(parameters.analysisLength, availableMemoryBytes())) {
        complain(streams, "--length: " + std::to_string(parameters.analysisLength) +
                              " samples do not fit in the memory of this computer");
        return troubleStatus;
    }

    ProgressBar progress(streams.errIsTerminal ? streams.err : nullptr, streams.terminalWidth,
                         streams.colour);
    StreamEvents events(options.linesOnStandardOutput() ? streams.out : nullptr, streams.err,
                        progress, parameters);
    RunRequest request = options.request;
    request.parameters = parameters;
    if (streams.errIsTerminal) {
        // The permutation test can run for hours: the bar shows it runs, and
        // how long it will still take. Ctrl-C ends it as it ends any run.
        request.verdict.permutations.watch = [&progress,
                                              started = std::chrono::steady_clock::now()](
                                                 std::int64_t done, std::int64_t total) mutable {
            const auto now = std::chrono::steady_clock::now();
            if (done == 0) started = now;
            progress.showTest(done, total, std::chrono::duration<double>(now - started).count());
            return true;
        };
    }
    // Problems found before the analysis, named after the takes' own.
    std::vector<std::string> problems;
    if (lengthsDiffer && !options.acceptNotes) {
        problems.push_back("the renders differ in length; --accept-notes compares the shortest");
    }
    if (leftOutNoted && !options.acceptNotes) {
        problems.push_back("files were left out of a set; --accept-notes takes the first 1000");
    }
    if (options.everyChannel) {
        return compareEveryChannel(options, streams, std::move(request), reference, comparison,
                                   events, progress, std::move(problems));
    }
    RunState state =
        analyseSets(std::move(request), std::move(reference), std::move(comparison), events);
    progress.stop();
    const Verdict& verdict = *state.verdict;
    writeVerdictLines(events.lines(), verdict, parameters.confidenceLevel);
    Findings findings;
    findings.outcome = verdict.outcome;
    findings.cannotTellReason = verdict.reason;
    if (state.spectrum) {
        const Verdict& spectrum = state.spectrum->verdict;
        writeSpectrumLines(events.lines(), *state.spectrum, verdict, parameters.confidenceLevel);
        findings.outcome = combinedOutcome(verdict, spectrum);
        if (verdict.outcome != VerdictOutcome::cannotTell) {
            findings.cannotTellReason = spectrum.reason;
        }
    }
    writeNullLine(events.lines(), state.run.null);
    // Tolerances decide the exit status when given: a render compared once
    // against once is judged by them, not by the sets' statistics.
    findings.tolerance = checkTolerances(state.run.null, options.tolerance);
    writeToleranceLines(events, findings.tolerance);
    const std::vector<std::string> takes = takeProblems({&state.run}, options);
    problems.insert(problems.begin(), takes.begin(), takes.end());
    return concludeRun(options, streams, events, std::move(problems), findings,
                       [&](std::vector<std::string> named) {
                           state.run.problems = std::move(named);
                           return finishRun(std::move(state), streams.out).outputs;
                       });
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
