#pragma once
// A comparison run from the command line: the same analysis and outputs as the
// dialogue, with results for scripts and an exit status.

#include <cstddef>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

#include "options/command_line.hpp"

namespace trellmark {

// Where a command-line run writes. All belong to the caller.
struct Streams {
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    bool errIsTerminal = false;      // show a progress bar on err
    std::size_t terminalWidth = 80;  // columns of that terminal
    bool colour = false;             // the terminal may be painted in colour
};

// Exit statuses of a comparison run.
constexpr int completedStatus = 0;  // and the sets do not differ detectably, or it cannot tell
constexpr int differStatus = 1;     // the sets differ
constexpr int troubleStatus = 2;    // a set matched nothing, or an output or standard output
                                    // could not be written

// Reads both sets, compares them, gives the verdict and writes every output
// asked for; each output that cannot be written is named on err and the others
// are still written.
int runCompare(const CompareOptions& options, const Streams& streams);

// Help, the version, a mistake or a comparison; the dialogue is the caller's.
int runParsedCommand(const Command& command, const Streams& streams);

}  // namespace trellmark
