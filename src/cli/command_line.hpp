#pragma once
// What the command line asks for: the dialogue, help, the version, or a
// comparison run with its options, checked before anything is read.

#include <span>
#include <string>

#include "analysis/analysis_parameters.hpp"

namespace trellmark {

// Standard output, when given as the file of --json or --csv.
constexpr std::string_view standardOutputName = "-";

struct CompareOptions {
    std::string referenceDirectory;
    std::string referenceCore;        // empty: every .wav file
    std::string comparisonDirectory;  // the reference directory unless given
    std::string comparisonCore;       // the reference core unless given
    AnalysisParameters parameters;
    // Outputs; an empty name asks for none.
    std::string report;
    std::string referenceMean;
    std::string comparisonMean;
    std::string difference;
    std::string json;  // "-": standard output
    std::string csv;   // "-": standard output
    bool quiet = false;

    // The result lines go to standard output unless --quiet or a "-" output
    // takes it.
    bool linesOnStandardOutput() const;
};

enum class CommandKind {
    dialogue,  // no arguments: the interactive run
    help,      // `text` is the usage
    version,   // `text` is "trellmark X.Y.Z"
    compare,   // `compare` holds the checked options
    mistake,   // `text` says what is wrong, without the program's name
};

struct Command {
    CommandKind kind = CommandKind::dialogue;
    CompareOptions compare;
    std::string text;
};

// Exit status for a command line that cannot be run.
constexpr int mistakeStatus = 2;

// The arguments after the program's name.
Command parseCommandLine(std::span<const std::string> arguments);

}  // namespace trellmark
