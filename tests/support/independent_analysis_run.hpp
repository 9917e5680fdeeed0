#pragma once
// Running tests/independent_analysis.py and reading what it prints and what
// the program's report says.

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "support/whole_file.hpp"

namespace trellmark::testing {

struct IndependentRun {
    int status = -1;
    std::string output;  // standard output and error together
};

// The analysis with `arguments` (already quoted for the shell), its output
// kept in `outputPath`.
inline IndependentRun runIndependentAnalysis(const std::string& arguments,
                                             const std::string& outputPath) {
    const std::string command = "python3 " TRELLMARK_SOURCE_DIR "/tests/independent_analysis.py " +
                                arguments + " > '" + outputPath + "' 2>&1";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readWholeFile(outputPath)};
}

// "range BEGIN END: N" lines of the analysis output, by BEGIN.
inline std::map<std::int64_t, int> rangeCounts(const std::string& output) {
    std::map<std::int64_t, int> counts;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string word;
        std::int64_t begin = 0, end = 0;
        char colon = 0;
        int count = 0;
        if (fields >> word && word == "range" && fields >> begin >> end >> colon >> count)
            counts[begin] = count;
    }
    return counts;
}

// The whole number after `label` at the start of a line of the analysis
// output (never its first line); -1 without one.
inline int printedFigure(const std::string& output, const std::string& label) {
    const std::size_t at = output.find("\n" + label);
    return at == std::string::npos ? -1 : std::atoi(output.c_str() + at + 1 + label.size());
}

inline int borderlineCount(const std::string& output) {
    return printedFigure(output, "borderline indices: ");
}

// The figure on the report's significant-count line.
inline int reportedCount(const std::string& report) {
    const std::string label = "   Number of statistically significant sample differences:";
    const std::size_t at = report.find(label);
    if (at == std::string::npos) return -1;
    return std::atoi(report.c_str() + at + 74);
}

}  // namespace trellmark::testing
