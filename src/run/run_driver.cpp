#include "run/run_driver.hpp"

#include <new>
#include <optional>
#include <string>
#include <vector>

#include "analysis/critical_values.hpp"
#include "analysis/file_set.hpp"
#include "analysis/memory_budget.hpp"
#include "analysis/run_results.hpp"
#include "console/console.hpp"
#include "report/analysis_report.hpp"
#include "report/figure_output.hpp"
#include "report/run_lines.hpp"
#include "report/signal_output.hpp"
#include "report/verdict_lines.hpp"
#include "run/console_target.hpp"
#include "run/numeric_answer.hpp"
#include "run/screen_events.hpp"
#include "verdict/run_verdict.hpp"
#include "verdict/verdict_budget.hpp"
#include "wave/wave_writer.hpp"

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

FileSet askFileSet(Console& console, std::string_view directoryPrompt, std::string_view corePrompt,
                   const std::string* emptyDirectoryMeans) {
    std::string directory = askLine(console, directoryPrompt, 2);
    if (directory.empty() && emptyDirectoryMeans != nullptr) directory = *emptyDirectoryMeans;
    std::string coreName = askLine(console, corePrompt, 4);
    FileSet set = findFileSet(directory, coreName);
    ConsoleTarget out(console);
    writeFileCountLine(out, set.count);
    return set;
}

struct OutputNames {
    std::string analysisFile;
    SignalFileNames signals;

    bool allEmpty() const {
        return analysisFile.empty() && signals.referenceMean.empty() &&
               signals.comparisonMean.empty() && signals.difference.empty();
    }
};

OutputNames askOutputNames(Console& console, const FileSet& reference, const FileSet& comparison) {
    OutputNames names;
    names.analysisFile = askLine(console, "   Name of ASCII file for analysis data?", 3);
    names.signals.referenceMean =
        askLine(console, "   Name of Wave file for the mean " + reference.coreName + " signal?", 2);
    names.signals.comparisonMean = askLine(
        console, "   Name of Wave file for the mean " + comparison.coreName + " signal?", 2);
    names.signals.difference =
        askLine(console, "   Name of Wave file for the difference signal?", 2);
    newLine(console);
    newLine(console);
    return names;
}

// Writes the named outputs; a line for each that could not be written, in the
// order they were asked for, so that no failure passes as a finished job.
std::vector<std::string> writeOutputFiles(const OutputNames& names, const RunResults& run,
                                          const Verdict* verdict) {
    std::vector<std::string> failures;
    const auto note = [&failures](const std::string& name, bool written,
                                  const std::string& reason) {
        if (!name.empty() && !written) {
            failures.push_back("   Could not write " + name + ": " + reason + ".");
        }
    };
    if (!names.analysisFile.empty()) {
        std::string reason;
        const bool written = writeAnalysisReport(names.analysisFile, run, &reason, verdict);
        note(names.analysisFile, written, reason);
    }
    DitherGenerator dither;
    const SignalFilesWritten signals = writeSignalFiles(names.signals, run, dither);
    note(names.signals.referenceMean, signals.referenceMean, signals.referenceMeanFailure);
    note(names.signals.comparisonMean, signals.comparisonMean, signals.comparisonMeanFailure);
    note(names.signals.difference, signals.difference, signals.differenceFailure);
    return failures;
}

// What the dialogue's options add to a run: the takes' scaled windows while
// the sets are read, then the verdict.
struct VerdictWork {
    bool wanted = false;
    std::string skip;                   // why the permutation test is not run
    std::vector<std::int64_t> windows;  // reference takes, then comparison takes
    Verdict verdict;
};

// Where the takes' scaled windows go while a set is read: nowhere when the
// verdict is not wanted or needs no permutation test, nor when the test does
// not fit in memory (then work.skip says why, and what was kept is dropped).
// Before the comparison set is known, its size is taken as the reference's.
std::vector<std::int64_t>* windowsToKeep(VerdictWork& work, const DialogueOptions& options,
                                         const AnalysisParameters& parameters, int referenceTakes,
                                         int comparisonTakes) {
    if (!work.wanted) return nullptr;
    work.skip = permutationTestSkip(referenceTakes, comparisonTakes, parameters,
                                    options.permutations, availableMemoryBytes());
    if (!work.skip.empty()) {
        work.windows = {};
        return nullptr;
    }
    return permutationTestWanted(referenceTakes, comparisonTakes, parameters, options.permutations)
               ? &work.windows
               : nullptr;
}

// Everything from reading the reference set to writing the outputs.
void analyse(Console& console, const FileSet& reference, const AnalysisParameters& parameters,
             const DialogueOptions& options, std::vector<std::string>* notices) {
    RunResults run;
    run.parameters = parameters;
    run.referenceFiles = reference;
    ScreenEvents events(console, run.parameters);
    VerdictWork work;
    work.wanted = options.verdict || !options.plot.empty();
    run.referenceStatistics = computeSetStatistics(
        run.referenceFiles, run.parameters, std::nullopt, run.lastFile, events,
        windowsToKeep(work, options, parameters, reference.count, reference.count));

    run.comparisonFiles =
        askFileSet(console, "   Directory in which the comparison files are located?",
                   "   Core filename?", &run.referenceFiles.directory);
    run.comparisonStatistics = computeSetStatistics(
        run.comparisonFiles, run.parameters, referenceLevelOf(run.referenceStatistics),
        run.lastFile, events,
        windowsToKeep(work, options, parameters, reference.count, run.comparisonFiles.count));

    run.result =
        compareSets(run.referenceStatistics, run.comparisonStatistics, parameters.analysisLength,
                    parameters.confidenceLevel, buildCriticalValueTables(), events);
    if (work.wanted) {
        work.verdict = verdictOfRun(run, work.windows, options.permutations, work.skip);
        work.windows = {};
    }
    const Verdict* verdict = options.verdict ? &work.verdict : nullptr;
    if (verdict != nullptr) {
        ConsoleTarget out(console);
        writeVerdictLines(out, *verdict, parameters.confidenceLevel);
    }

    OutputNames names = askOutputNames(console, run.referenceFiles, run.comparisonFiles);
    if (!names.allEmpty()) {
        printText(console, "   Writing output files...");
        newLine(console);
        for (const std::string& line : writeOutputFiles(names, run, verdict)) {
            printLine(console, line);
        }
        newLine(console);
        newLine(console);
    }
    if (!options.plot.empty()) {
        const FigureOutcome figure = writeRunFigure(run, work.wanted ? &work.verdict : nullptr,
                                                    options.plot, options.plotSize);
        if (!figure.written && notices != nullptr) {
            notices->push_back("cannot write " + options.plot + ": " + figure.failure);
        }
    }
}

void sayAnalysisTooLong(Console& console) {
    printLine(console, "   That many samples do not fit in the memory of this computer.");
    newLine(console);
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

}  // namespace

std::string askLine(Console& console, std::string_view prompt, int zoneAdvances) {
    printText(console, prompt);
    for (int i = 0; i < zoneAdvances; ++i) nextZone(console);
    useValueColours(console);
    printText(console, " ");
    std::string answer = readLine(console);
    useLabelColours(console);
    return answer;
}

std::int32_t WINMAIN(Console& console, const DialogueOptions& options,
                     std::vector<std::string>* notices) {
    setUpConsoleWindow(console);
    newLine(console);
    printBanner(console);
    useLabelColours(console);
    newLine(console);
    newLine(console);

    FileSet reference =
        askFileSet(console, "   Directory in which the reference files are located?",
                   "   Core filename? ", nullptr);
    AnalysisParameters parameters;
    parameters.impulseThreshold = answerToInt32(askLine(console, "   Impulse threshold? ", 4));
    parameters.analysisLength =
        answerToInt32(askLine(console, "   Analyse over how many samples? ", 3));
    parameters.confidenceLevel =
        answerToInt16(askLine(console, "   Per cent confidence level [95/99]? ", 3));
    newLine(console);
    parameters.startOffset = fixedStartOffset;

    if (!analysisFitsInMemory(parameters.analysisLength, availableMemoryBytes())) {
        sayAnalysisTooLong(console);
    } else {
        try {
            analyse(console, reference, parameters, options, notices);
        } catch (const std::bad_alloc&) {
            useLabelColours(console);
            sayAnalysisTooLong(console);
        }
    }
    closeRun(console);
    return 0;
}

}  // namespace trellmark
