#include "report/spectrum_lines.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "report/number_text.hpp"

namespace trellmark {
namespace {

std::string formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string pText(double p) {
    return std::isnan(p) ? std::string("unknown") : formatted("%.3g", p);
}

std::string massText(double mass) {
    if (std::isinf(mass)) return mass > 0 ? "mass infinite" : "mass -infinite";
    return "mass " + formatted("%.1f", mass);
}

}  // namespace

std::string combinedSentence(const Verdict& time, const Verdict& spectrum) {
    switch (combinedOutcome(time, spectrum)) {
        case VerdictOutcome::differ:
            return "the sets differ";
        case VerdictOutcome::doNotDiffer:
            return "the sets do not differ detectably";
        case VerdictOutcome::cannotTell:
            break;
    }
    return "cannot tell";
}

std::vector<VerdictLine> spectrumLines(const SpectrumResult& spectrum, const Verdict& time,
                                       ConfidenceLevel confidenceLevel) {
    const Verdict& verdict = spectrum.verdict;
    std::vector<VerdictLine> lines;
    lines.push_back({"   Spectrum (" + std::to_string(spectrum.fftSize) + "-point, " +
                         std::to_string(spectrum.segments) + " segments, " +
                         formatted("%.1f", spectrum.binHz) + " Hz per bin):",
                     ""});
    lines.push_back({"   Significant bins at " + std::to_string(confidenceLevel.typed) + " per cent:",
                     numberText(static_cast<long double>(spectrum.significantCount), digits32)});
    lines.push_back({"   Expected by chance:",
                     numberText(roundDecimals(verdict.expectedByChance, 2), digits32)});
    std::vector<const ClusterVerdict*> clusters;
    for (const ClusterVerdict& cluster : verdict.clusters) {
        if (cluster.p < listedClusterP) clusters.push_back(&cluster);
    }
    std::stable_sort(clusters.begin(), clusters.end(),
                     [](const ClusterVerdict* a, const ClusterVerdict* b) { return a->p < b->p; });
    for (std::size_t i = 0; i < clusters.size() && i < listedClusters; ++i) {
        const ClusterVerdict& cluster = *clusters[i];
        std::string figure = " p = " + pText(cluster.p);
        if (!verdict.exact) {
            figure += " (" + pText(cluster.pLow) + " to " + pText(cluster.pHigh) + ")";
        }
        lines.push_back(
            {"   Cluster of " +
                 formatted("%.1f", static_cast<double>(cluster.first) * spectrum.binHz) + " to " +
                 formatted("%.1f", static_cast<double>(cluster.last) * spectrum.binHz) + " Hz, " +
                 massText(cluster.mass) + ", mean difference " +
                 formatted("%.2f", cluster.meanDifference) + " dB:",
             figure});
    }
    if (clusters.size() > listedClusters) {
        lines.push_back({"   and " + std::to_string(clusters.size() - listedClusters) +
                             " more clusters with p below 0.5",
                         ""});
    }
    lines.push_back({"   Verdict (spectrum, at α/2):", " " + verdictSentence(verdict)});
    lines.push_back({"   Verdict of the run (time domain or spectrum):",
                     " " + combinedSentence(time, verdict)});
    return lines;
}

void writeSpectrumLines(LineTarget& out, const SpectrumResult& spectrum, const Verdict& time,
                        ConfidenceLevel confidenceLevel) {
    writeLabelledLines(out, spectrumLines(spectrum, time, confidenceLevel));
}

bool writeSpectrumCsv(std::FILE* stream, const SpectrumResult& spectrum) {
    bool ok = std::fputs(
                  "bin,frequency_hz,reference_mean_db,reference_sd_db,comparison_mean_db,"
                  "comparison_sd_db,difference_db,t,significant,cluster\n",
                  stream) >= 0;
    const Verdict& verdict = spectrum.verdict;
    for (std::size_t i = 0; i < spectrum.referenceMeanDb.size() && ok; ++i) {
        const std::size_t bin = i + 1;
        ok = std::fprintf(stream, "%zu,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%d,%d\n", bin,
                          static_cast<double>(bin) * spectrum.binHz, spectrum.referenceMeanDb[i],
                          spectrum.referenceSdDb[i], spectrum.comparisonMeanDb[i],
                          spectrum.comparisonSdDb[i],
                          spectrum.referenceMeanDb[i] - spectrum.comparisonMeanDb[i],
                          i < verdict.t.size() ? verdict.t[i] : std::nan(""),
                          i < verdict.significant.size() ? verdict.significant[i] : 0,
                          i < verdict.clusterOf.size() ? verdict.clusterOf[i] : 0) >= 0;
    }
    return ok;
}

}  // namespace trellmark
