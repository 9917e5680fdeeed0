#pragma once
// The verdict as lines of text: what the screen and standard output show
// after the result lines, and the report's VERDICT section.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "analysis/confidence_level.hpp"
#include "report/output_target.hpp"
#include "verdict/channel_verdicts.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// At most this many clusters are listed, smallest p first; the JSON output
// has them all.
constexpr std::size_t listedClusters = 10;
// Clusters at or above this p are not listed: chance makes plenty of them.
constexpr double listedClusterP = 0.5;

// One line: a label and, where the line has one, its figure or text. The
// figure begins with its sign position (a blank for text).
struct VerdictLine {
    std::string label;
    std::string figure;
};

// Expected by chance, the false discovery rate count, the clusters with
// p < 0.5 (each with its 95 % Monte Carlo interval), and the verdict.
std::vector<VerdictLine> verdictLines(const Verdict& verdict, ConfidenceLevel confidenceLevel);

// For a run over every channel: under a heading per channel ("   Channel 2
// of 4:") that channel's lines without a verdict of its own, then the one
// verdict across channels.
std::vector<VerdictLine> channelVerdictLines(std::span<const ChannelRun> channels,
                                             const Verdict& across,
                                             ConfidenceLevel confidenceLevel);

// Any such lines with their figures at column 70, then two blank rows.
void writeLabelledLines(LineTarget& out, const std::vector<VerdictLine>& lines);

// The lines with their figures at column 70, then two blank rows.
void writeVerdictLines(LineTarget& out, const Verdict& verdict, ConfidenceLevel confidenceLevel);

// The verdict in one line for a script's reader: "the sets differ (cluster
// p = .001)", "the sets do not differ detectably ...", "cannot tell: ...".
std::string verdictSentence(const Verdict& verdict);

}  // namespace trellmark
