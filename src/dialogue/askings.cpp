#include "dialogue/askings.hpp"

#include "console/console.hpp"
#include "dialogue/console_target.hpp"
#include "pipeline/files_left_out.hpp"
#include "report/run_lines.hpp"

namespace trellmark {

std::string askLine(Console& console, std::string_view prompt, int zoneAdvances) {
    printText(console, prompt);
    for (int i = 0; i < zoneAdvances; ++i) nextZone(console);
    useValueColours(console);
    printText(console, " ");
    std::string answer = readLine(console);
    useLabelColours(console);
    return answer;
}

FileSet askFileSet(Console& console, std::string_view directoryPrompt, std::string_view corePrompt,
                   const std::string* emptyDirectoryMeans) {
    std::string directory = askLine(console, directoryPrompt, directoryAnswerZones);
    if (directory.empty() && emptyDirectoryMeans != nullptr) directory = *emptyDirectoryMeans;
    std::string coreName = askLine(console, corePrompt, coreNameAnswerZones);
    FileSet set = findFileSet(directory, coreName);
    ConsoleTarget out(console);
    writeFileCountLine(out, set.count);
    // The count line keeps its words; a full set says what it could not take.
    if (const int leftOut = filesLeftOut(set); leftOut > 0) {
        printText(console, "   " + filesLeftOutNote(set, leftOut));
        newLine(console);
        newLine(console);
    }
    return set;
}

void askOutputNames(Console& console, const FileSet& reference, const FileSet& comparison,
                    OutputRequest& outputs) {
    outputs.report =
        askLine(console, "   Name of ASCII file for analysis data?", reportNameAnswerZones);
    outputs.referenceMean =
        askLine(console, "   Name of Wave file for the mean " + reference.coreName + " signal?",
                waveNameAnswerZones);
    outputs.comparisonMean =
        askLine(console, "   Name of Wave file for the mean " + comparison.coreName + " signal?",
                waveNameAnswerZones);
    outputs.difference =
        askLine(console, "   Name of Wave file for the difference signal?", waveNameAnswerZones);
    newLine(console);
    newLine(console);
}

}  // namespace trellmark
