#pragma once
// The dialogue: every question, the analysis between them, and the closing lines.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.hpp"

namespace trellmark {

struct Console;

// Prompt, zone advances, one blank in the value colours, the typed line.
std::string askLine(Console& console, std::string_view prompt, int zoneAdvances);

// The whole run, from the banner to the final key; returns the exit status 0.
// `options` may add the verdict and a figure; what could not be done with them
// is added to `notices`, for standard error once the screen is gone.
std::int32_t WINMAIN(Console& console, const DialogueOptions& options = {},
                     std::vector<std::string>* notices = nullptr);

}  // namespace trellmark
