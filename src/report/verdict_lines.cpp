#include "report/verdict_lines.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "report/number_text.hpp"

namespace trellmark {
namespace {

constexpr std::size_t figureColumn = 70;
constexpr std::size_t zoneColumns = 14;

// numberText without its sign blank and trailing blank.
std::string plainNumber(long double x, int digits) {
    std::string text = numberText(x, digits);
    text.erase(text.find_last_not_of(' ') + 1);
    if (!text.empty() && text.front() == ' ') text.erase(0, 1);
    return text;
}

// Three significant digits in the usual notation of p-values: 0.00794, 0.667,
// 1, 1e-05.
std::string pText(double p) {
    if (std::isnan(p)) return "unknown";
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", p);
    return text;
}

// The statistic that decided: "mass 412.3" or "size 37 samples".
std::string strengthText(const ClusterVerdict& cluster, ClusterStatistic statistic) {
    if (statistic == ClusterStatistic::size) {
        return "size " + std::to_string(cluster.size) +
               (cluster.size == 1 ? " sample" : " samples");
    }
    if (std::isinf(cluster.mass)) return cluster.mass > 0 ? "mass infinite" : "mass -infinite";
    return "mass " + plainNumber(roundDecimals(cluster.mass, 1), digits32);
}

// How large the cluster's difference is: "mean difference -2.31 LSB (-71.2 dB)".
std::string sizeOfDifference(const ClusterVerdict& cluster) {
    char text[96];
    if (std::isfinite(cluster.differenceDecibels)) {
        std::snprintf(text, sizeof text, "mean difference %.2f LSB (%.1f dB)",
                      cluster.meanDifference, cluster.differenceDecibels);
    } else {
        std::snprintf(text, sizeof text, "mean difference %.2f LSB (reference silent)",
                      cluster.meanDifference);
    }
    return text;
}

std::vector<const ClusterVerdict*> listed(const Verdict& verdict) {
    std::vector<const ClusterVerdict*> clusters;
    for (const ClusterVerdict& cluster : verdict.clusters) {
        if (cluster.p < listedClusterP) clusters.push_back(&cluster);
    }
    std::stable_sort(clusters.begin(), clusters.end(),
                     [](const ClusterVerdict* a, const ClusterVerdict* b) { return a->p < b->p; });
    return clusters;
}

double smallestP(const Verdict& verdict) {
    double smallest = std::nan("");
    for (const ClusterVerdict& cluster : verdict.clusters) {
        if (!(cluster.p >= smallest)) smallest = cluster.p;
    }
    return smallest;
}

}  // namespace

std::string verdictSentence(const Verdict& verdict) {
    switch (verdict.outcome) {
        case VerdictOutcome::differ:
            return "the sets differ (cluster p = " + pText(smallestP(verdict)) + ")";
        case VerdictOutcome::doNotDiffer:
            if (verdict.clusters.empty()) return "the sets do not differ detectably (no cluster)";
            return "the sets do not differ detectably (smallest cluster p = " +
                   pText(smallestP(verdict)) + ")";
        case VerdictOutcome::cannotTell:
            break;
    }
    // Where the design cannot reach alpha the reason reads as the words' end:
    // "cannot tell: with 3 and 3 takes ...".
    if (verdict.alpha > 0 && verdict.smallestPossibleP >= verdict.alpha &&
        verdict.reason.size() > 1) {
        std::string clause = verdict.reason;
        clause.front() =
            static_cast<char>(std::tolower(static_cast<unsigned char>(clause.front())));
        if (clause.back() == '.') clause.pop_back();
        return "cannot tell: " + clause;
    }
    return "cannot tell. " + verdict.reason;
}

std::vector<VerdictLine> verdictLines(const Verdict& verdict, ConfidenceLevel confidenceLevel) {
    std::vector<VerdictLine> lines;
    lines.push_back(
        {"   Expected by chance at " + std::to_string(confidenceLevel.typed) + " per cent:",
         numberText(roundDecimals(verdict.expectedByChance, 2), digits32)});
    lines.push_back({"   Significant after false discovery rate control:",
                     numberText(static_cast<long double>(verdict.fdrCount), digits32)});
    const std::vector<const ClusterVerdict*> clusters = listed(verdict);
    for (std::size_t i = 0; i < clusters.size() && i < listedClusters; ++i) {
        const ClusterVerdict& cluster = *clusters[i];
        std::string figure = " p = " + pText(cluster.p);
        if (!verdict.exact) {
            figure += " (" + pText(cluster.pLow) + " to " + pText(cluster.pHigh) + ")";
        }
        lines.push_back({"   Cluster of indices " + std::to_string(cluster.first) + " to " +
                             std::to_string(cluster.last) + ", " +
                             strengthText(cluster, verdict.statistic) + ", " +
                             sizeOfDifference(cluster) + ":",
                         figure});
    }
    if (clusters.size() > listedClusters) {
        lines.push_back({"   and " + std::to_string(clusters.size() - listedClusters) +
                             " more clusters with p below 0.5",
                         ""});
    }
    lines.push_back({verdict.alphaHalved ? "   Verdict (time domain, at α/2):" : "   Verdict:",
                     " " + verdictSentence(verdict)});
    return lines;
}

std::vector<VerdictLine> channelVerdictLines(std::span<const ChannelRun> channels,
                                             const Verdict& across,
                                             ConfidenceLevel confidenceLevel) {
    std::vector<VerdictLine> lines;
    const std::string of = " of " + std::to_string(channels.size()) + ":";
    for (const ChannelRun& channel : channels) {
        lines.push_back(
            {"   Channel " + std::to_string(channel.run.parameters.channel + 1) + of, ""});
        std::vector<VerdictLine> own = verdictLines(channel.verdict, confidenceLevel);
        own.pop_back();
        lines.insert(lines.end(), own.begin(), own.end());
    }
    lines.push_back({"   Verdict across " + std::to_string(channels.size()) + " channels:",
                     " " + verdictSentence(across)});
    return lines;
}

void writeVerdictLines(LineTarget& out, const Verdict& verdict, ConfidenceLevel confidenceLevel) {
    writeLabelledLines(out, verdictLines(verdict, confidenceLevel));
}

void writeLabelledLines(LineTarget& out, const std::vector<VerdictLine>& lines) {
    for (const VerdictLine& line : lines) {
        out.style(TextStyle::label);
        out.text(line.label);
        if (!line.figure.empty()) {
            // Zones up to column 70, or one past a longer label.
            std::size_t column = line.label.size();
            do {
                out.zone();
                column += zoneColumns - column % zoneColumns;
            } while (column < figureColumn);
            out.style(TextStyle::value);
            out.text(line.figure);
        }
        out.lineEnd();
    }
    out.style(TextStyle::label);
    out.lineEnd();
    out.lineEnd();
}

}  // namespace trellmark
