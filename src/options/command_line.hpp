#pragma once
// What the command line asks for: the dialogue, help, the version, or a
// comparison run with its options, checked before anything is read.

#include <optional>
#include <span>
#include <string>

#include "pipeline/run_request.hpp"
#include "plot/figure_size.hpp"
#include "verdict/permutation_test.hpp"

namespace trellmark {

// Limits on the null test's difference; when any is given, the exit status
// follows them rather than the statistical verdict.
struct Tolerances {
    std::optional<double> rmsDbfs;   // RMS of the difference
    std::optional<double> peakLsb;   // peak, in LSB of the first reference take
    std::optional<double> peakDbfs;  // peak, relative to full scale
    bool given() const { return rmsDbfs || peakLsb || peakDbfs; }
};

struct CompareOptions {
    std::string referenceDirectory;
    std::string referenceCore;        // empty: every .wav file
    std::string comparisonDirectory;  // the reference directory unless given
    std::string comparisonCore;       // the reference core unless given
    // The analysis, the verdict (always computed and reported) and the outputs.
    RunRequest request;
    bool quiet = false;
    // Noted takes (no impulse, another rate, ...) and files left out of a full
    // set are accepted: the run exits by its verdict rather than with 2.
    bool acceptNotes = false;
    Tolerances tolerance;
    // --channel all: each channel analysed as its own comparison, one verdict
    // across all of them.
    bool everyChannel = false;

    // The result lines go to standard output unless --quiet or a "-" output
    // takes it.
    bool linesOnStandardOutput() const;
};

// What the dialogue may do beyond its questions.
struct DialogueOptions {
    bool verdict = false;  // the verdict lines on the screen and in the report
    std::string plot;      // a figure of the run; empty for none
    FigureSize plotSize;
    std::string html;  // the report page of the run; empty for none
    PermutationOptions permutations;
    bool spectrum = false;  // the spectrum's verdict beside the time domain's
    int fftSize = 4096;
};

enum class CommandKind {
    dialogue,  // the interactive run, with `dialogue` options
    help,      // `text` is the usage
    version,   // `text` is "trellmark X.Y.Z"
    compare,   // `compare` holds the checked options
    mistake,   // `text` says what is wrong, without the program's name
};

struct Command {
    CommandKind kind = CommandKind::dialogue;
    DialogueOptions dialogue;
    CompareOptions compare;
    std::string text;
};

// Exit status for a command line that cannot be run.
constexpr int mistakeStatus = 2;

// The arguments after the program's name.
Command parseCommandLine(std::span<const std::string> arguments);

}  // namespace trellmark
