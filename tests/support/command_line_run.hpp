#pragma once
// A whole command line (without the program's name) as main runs it, for
// tests that check what `trellmark ARGS` prints and exits with.

#include <optional>
#include <span>
#include <string>

#include "compare/compare_run.hpp"
#include "options/command_line.hpp"

namespace trellmark {

// Nothing when the command line asks for the dialogue, otherwise the exit status.
inline std::optional<int> runCommandLine(std::span<const std::string> arguments,
                                         const Streams& streams) {
    const Command command = parseCommandLine(arguments);
    if (command.kind == CommandKind::dialogue) return std::nullopt;
    return runParsedCommand(command, streams);
}

}  // namespace trellmark
