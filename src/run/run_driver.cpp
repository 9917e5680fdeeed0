#include "run/run_driver.hpp"

#include <new>
#include <optional>
#include <string>

#include "report/analysis_report.hpp"
#include "report/console_results.hpp"
#include "report/signal_output.hpp"
#include "run/analysis_parameters.hpp"
#include "run/console.hpp"
#include "run/file_set.hpp"
#include "run/memory_budget.hpp"
#include "run/numeric_answer.hpp"
#include "stats/critical_values.hpp"
#include "stats/set_comparison.hpp"
#include "stats/set_statistics.hpp"
#include "wave/wave_info.hpp"
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
    return selectFileSet(console, directory, coreName);
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

// Everything from reading the reference set to writing the outputs.
void analyse(Console& console, const FileSet& reference, const AnalysisParameters& parameters) {
    WaveInfo lastFile;
    SetStatistics referenceStatistics =
        computeSetStatistics(console, reference, parameters, std::nullopt, lastFile);

    FileSet comparison =
        askFileSet(console, "   Directory in which the comparison files are located?",
                   "   Core filename?", &reference.directory);
    SetStatistics comparisonStatistics = computeSetStatistics(
        console, comparison, parameters, referenceLevelOf(referenceStatistics), lastFile);

    CriticalValueTable tables = buildCriticalValueTables();
    ComparisonResult result =
        compareSets(console, referenceStatistics, comparisonStatistics, parameters.analysisLength,
                    parameters.confidenceLevel, tables);
    printComparisonSummary(console, result, parameters.analysisLength, lastFile.bitsPerSample);

    OutputNames names = askOutputNames(console, reference, comparison);
    if (names.allEmpty()) return;
    printText(console, "   Writing output files...");
    newLine(console);
    newLine(console);
    newLine(console);
    if (!names.analysisFile.empty()) {
        writeAnalysisReport(
            names.analysisFile,
            ReportInputs{reference, comparison, referenceStatistics, comparisonStatistics,
                         parameters, result, lastFile.bitsPerSample});
    }
    DitherGenerator dither;
    writeSignalFiles(names.signals, parameters.analysisLength, lastFile, referenceStatistics.mean,
                     comparisonStatistics.mean, result.differenceSignal, dither);
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

std::int32_t WINMAIN(Console& console) {
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
            analyse(console, reference, parameters);
        } catch (const std::bad_alloc&) {
            useLabelColours(console);
            sayAnalysisTooLong(console);
        }
    }
    closeRun(console);
    return 0;
}

}  // namespace trellmark
