#pragma once
// The dialogue: every question, the analysis between them, and the closing lines.

#include <cstdint>
#include <string>
#include <string_view>

namespace trellmark {

struct Console;

// Prompt, zone advances, one blank in the value colours, the typed line.
std::string askLine(Console& console, std::string_view prompt, int zoneAdvances);

// The whole run, from the banner to the final key; returns the exit status 0.
std::int32_t WINMAIN(Console& console);

}  // namespace trellmark
