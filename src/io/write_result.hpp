#pragma once
// What became of writing one output: every writer answers with this, so a
// front end tells each failure the same way.

#include <string>
#include <utility>

namespace trellmark {

struct WriteResult {
    bool written = false;
    // Why not, in words that read after "Could not write NAME: " ("the disk is
    // full"); empty when written.
    std::string failure;
};

inline WriteResult writtenResult() {
    return {true, {}};
}
inline WriteResult failedResult(std::string why) {
    return {false, std::move(why)};
}

// One output of a run and what became of it.
struct OutputOutcome {
    std::string kind;  // "report", "referenceMean", "comparisonMean", "difference", "csv", ...
    std::string path;  // as the user gave it; "-" for standard output
    WriteResult result;
};

}  // namespace trellmark
