#pragma once
// The dialogue: every question, the run between them, and the closing lines.

#include <cstdint>
#include <string>
#include <vector>

#include "options/command_line.hpp"

namespace trellmark {

struct Console;

// The whole run, from the banner to the final key; returns the exit status 0.
// `options` may add the verdict and a figure; what could not be done with them
// is added to `notices`, for standard error once the screen is gone.
std::int32_t askAndAnalyse(Console& console, const DialogueOptions& options = {},
                           std::vector<std::string>* notices = nullptr);

}  // namespace trellmark
