#include "dialogue/dialogue_run.hpp"

#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "analysis/memory_budget.hpp"
#include "console/console.hpp"
#include "dialogue/askings.hpp"
#include "dialogue/console_target.hpp"
#include "dialogue/numeric_answer.hpp"
#include "dialogue/screen_events.hpp"
#include "io/memory_limits.hpp"
#include "io/temporary_files.hpp"
#include "pipeline/run_pipeline.hpp"
#include "report/spectrum_lines.hpp"
#include "report/verdict_lines.hpp"

namespace trellmark {
namespace {

void printLine(Console& console, std::string_view text) {
    printText(console, text);
    newLine(console);
}

void printBanner(Console& console) {
    useValueColours(console);
    printLine(console, "   Trellmark v1");
    printLine(console,
              "   Compares a reference set and a comparison set of recordings of one test signal,");
    printLine(console,
              "   sample by sample, with a two-sample t test at 95 or 99 per cent confidence.");
}

// What the dialogue's options add to its questions: the verdict, and a figure.
RunRequest requestOf(const DialogueOptions& options) {
    RunRequest request;
    // The spectrum's lines come after the verdict's, which they halve.
    request.verdict.wanted =
        options.verdict || options.spectrum || !options.plot.empty() || !options.html.empty();
    request.verdict.reported = options.verdict || options.spectrum;
    request.spectrum.wanted = options.spectrum;
    request.spectrum.fftSize = options.fftSize;
    request.verdict.permutations = options.permutations;
    request.outputs.plot = options.plot;
    request.outputs.plotSize = options.plotSize;
    request.outputs.html = options.html;
    return request;
}

// The four outputs the questions ask for; the figure and the page only an
// option asks for.
bool isScreenOutput(const OutputOutcome& output) {
    return output.kind != "plot" && output.kind != "html";
}

// One line for each asked output that could not be written, in the order they
// were asked for, so that no failure passes as a finished job; the figure's
// and the page's go to the notices.
void tellOutputs(Console& console, const OutputRequest& asked, const RunOutcome& outcome,
                 std::vector<std::string>* notices) {
    const bool anyAsked = !asked.report.empty() || !asked.referenceMean.empty() ||
                          !asked.comparisonMean.empty() || !asked.difference.empty();
    if (anyAsked) {
        printText(console, "   Writing output files...");
        newLine(console);
        for (const OutputOutcome& output : outcome.outputs) {
            if (!isScreenOutput(output) || output.result.written) continue;
            printLine(console,
                      "   Could not write " + output.path + ": " + output.result.failure + ".");
        }
        newLine(console);
        newLine(console);
    }
    for (const OutputOutcome& output : outcome.outputs) {
        if (isScreenOutput(output) || output.result.written || notices == nullptr) continue;
        notices->push_back("cannot write " + output.path + ": " + output.result.failure);
    }
}

// The line under the results while the permutation test runs, counting the
// splits done: "   Testing 1000 random splits... 350".
std::string testingText(std::int64_t done, std::int64_t total, std::int64_t asked) {
    const std::string what = total < asked ? "all " + std::to_string(total) + " splits"
                                           : std::to_string(total) + " random splits";
    return "   Testing " + what + "... " + std::to_string(done);
}

// Shows the test counting up on one line; Esc or Ctrl-C stops it. Other keys
// typed meanwhile are kept in `typedAhead` for the questions that follow.
PermutationOptions::Watch testWatch(Console& console, std::int64_t asked,
                                    std::vector<Key>& typedAhead) {
    const int row = console.screen.cursorRow;
    return [&console, &typedAhead, row, asked](std::int64_t done, std::int64_t total) {
        console.screen.cursorRow = row;
        console.screen.cursorColumn = 0;
        printText(console, testingText(done, total, asked));
        while (std::optional<Key> key = console.keys.keyIfWaiting()) {
            if (key->text == "\x1b" || key->text == "\x03") return false;
            typedAhead.push_back(std::move(*key));
        }
        return true;
    };
}

// Everything from reading the reference set to writing the outputs.
void analyse(Console& console, RunState& state, FileSet reference,
             std::vector<std::string>* notices) {
    ScreenEvents events(console, state.run.parameters);
    const int referenceTakes = reference.count;
    readReferenceSet(state, std::move(reference), referenceTakes, events);
    FileSet comparison =
        askFileSet(console, "   Directory in which the comparison files are located?",
                   "   Core filename?", &state.run.referenceFiles.directory);
    readComparisonSet(state, std::move(comparison), events);
    compareReadSets(state, events);
    if (state.request.verdict.wanted) {
        std::vector<Key> typedAhead;
        state.request.verdict.permutations.watch =
            testWatch(console, state.request.verdict.permutations.permutations, typedAhead);
        judgeRun(state);
        newLine(console);
        for (auto key = typedAhead.rbegin(); key != typedAhead.rend(); ++key) {
            console.keys.unreadKey(*key);
        }
    } else {
        judgeRun(state);
    }
    if (state.request.verdict.reported) {
        ConsoleTarget out(console);
        writeVerdictLines(out, *state.verdict, state.run.parameters.confidenceLevel);
        if (state.spectrum) {
            writeSpectrumLines(out, *state.spectrum, *state.verdict,
                               state.run.parameters.confidenceLevel);
        }
    }
    OutputRequest& outputs = state.request.outputs;
    askOutputNames(console, state.run.referenceFiles, state.run.comparisonFiles, outputs);
    const OutputRequest asked = outputs;
    tellOutputs(console, asked, finishRun(std::move(state), nullptr), notices);
}

void sayAnalysisTooLong(Console& console) {
    printLine(console, "   That many samples do not fit in the memory of this computer.");
    newLine(console);
}

// Memory ran out part way: the outputs written so far are whole, and the one
// being written is removed.
void outOfMemory(Console& console) {
    removeTemporaryFiles();
    useLabelColours(console);
    sayAnalysisTooLong(console);
}

void closeRun(Console& console) {
    beep(console);
    beep(console);
    useValueColours(console);
    printLine(console, "   Job finished");
    useLabelColours(console);
    printLine(console, "   press any key to quit");
    setCursorVisible(console, false);
    waitForKey(console);
}

// The questions and the run they ask for.
void askAndRun(Console& console, const DialogueOptions& options,
               std::vector<std::string>* notices) {
    FileSet reference =
        askFileSet(console, "   Directory in which the reference files are located?",
                   "   Core filename? ", nullptr);
    RunRequest request = requestOf(options);
    AnalysisParameters& parameters = request.parameters;
    parameters.impulseThreshold =
        answerToInt32(askLine(console, "   Impulse threshold? ", thresholdAnswerZones));
    parameters.analysisLength =
        answerToInt32(askLine(console, "   Analyse over how many samples? ", lengthAnswerZones));
    parameters.confidenceLevel = ConfidenceLevel(answerToInt16(
        askLine(console, "   Per cent confidence level [95/99]? ", confidenceAnswerZones)));
    newLine(console);
    parameters.startOffset = fixedStartOffset;

    if (!analysisFitsInMemory(parameters.analysisLength, availableMemoryBytes())) {
        sayAnalysisTooLong(console);
        return;
    }
    RunState state = startRun(std::move(request));
    analyse(console, state, std::move(reference), notices);
}

}  // namespace

std::int32_t askAndAnalyse(Console& console, const DialogueOptions& options,
                           std::vector<std::string>* notices) {
    setUpConsoleWindow(console);
    newLine(console);
    printBanner(console);
    useLabelColours(console);
    newLine(console);
    newLine(console);

    // Memory may run out at any step, the questions too: the run then ends
    // with its one line, as a run too long for the memory does.
    try {
        askAndRun(console, options, notices);
    } catch (const std::bad_alloc&) {
        outOfMemory(console);
    } catch (const std::system_error&) {
        // A worker thread that cannot be started: no memory for its stack.
        outOfMemory(console);
    }
    closeRun(console);
    return 0;
}

}  // namespace trellmark
