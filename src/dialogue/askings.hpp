#pragma once
// The dialogue's questions: a prompt, the zone its answer starts in, the
// typed line.

#include <string>
#include <string_view>

#include "analysis/file_set.hpp"
#include "pipeline/run_request.hpp"

namespace trellmark {

struct Console;

// Zones between a prompt and its answer, so that the answers of neighbouring
// questions line up on the screen whatever the prompts' lengths.
constexpr int directoryAnswerZones = 2;
constexpr int coreNameAnswerZones = 4;
constexpr int thresholdAnswerZones = 4;
constexpr int lengthAnswerZones = 3;
constexpr int confidenceAnswerZones = 3;
constexpr int reportNameAnswerZones = 3;
constexpr int waveNameAnswerZones = 2;

// Prompt, zone advances, one blank in the value colours, the typed line.
std::string askLine(Console& console, std::string_view prompt, int zoneAdvances);

// A set's directory and core name, then the line with its file count. An
// empty directory answer means `emptyDirectoryMeans` when given.
FileSet askFileSet(Console& console, std::string_view directoryPrompt, std::string_view corePrompt,
                   const std::string* emptyDirectoryMeans);

// The report's and the three signal files' names, then two blank lines.
void askOutputNames(Console& console, const FileSet& reference, const FileSet& comparison,
                    OutputRequest& outputs);

}  // namespace trellmark
