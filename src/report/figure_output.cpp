#include "report/figure_output.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "report/derived_series.hpp"
#include "report/run_title.hpp"
#include "report/verdict_lines.hpp"

namespace trellmark {
namespace {

// The figure's view of one run: `series` must outlive it.
FigureData runFigureData(const RunResults& run, const DerivedSeries& series,
                         const Verdict* verdict) {
    const bool tested = !run.result.t.empty();
    FigureData data;
    data.title = runTitle(run);
    data.reference = {run.referenceFiles.directory, run.referenceFiles.coreName};
    data.comparison = {run.comparisonFiles.directory, run.comparisonFiles.coreName};
    data.sampleRate = run.scaleFile.sampleRate;
    data.bitsPerSample = figureBitsOf(run);
    data.startOffset = run.parameters.startOffset;
    data.confidencePercent = tested ? run.parameters.confidenceLevel.typed : 0;
    data.referenceMean = run.referenceStatistics.mean;
    data.referenceStdDev = run.referenceStatistics.stdDev;
    data.comparisonMean = run.comparisonStatistics.mean;
    data.comparisonStdDev = run.comparisonStatistics.stdDev;
    data.difference = series.difference;
    data.significant = series.significant;
    if (tested) {
        data.tValue = run.result.t;
        data.criticalT = series.criticalT;
        data.standardError = series.standardError;
    }
    data.significantCount = run.result.significantCount;
    // With a verdict, t and its shading are the verdict's own, from which its
    // clusters formed; the heading keeps the count's figure.
    const auto length = static_cast<std::size_t>(std::max(run.parameters.analysisLength, 0));
    if (tested && verdict != nullptr && verdict->t.size() == length &&
        verdict->significant.size() == length) {
        data.tValue = verdict->t;
        data.significant = verdict->significant;
    }
    if (verdict != nullptr) {
        if (verdict->alpha > 0) data.expectedByChance = verdict->expectedByChance;
        data.alpha = verdict->alpha;
        for (const ClusterVerdict& cluster : verdict->clusters) {
            data.clusters.push_back({cluster.first, cluster.last, cluster.mass, cluster.p});
        }
        data.verdict = verdictSentence(*verdict);
    }
    return data;
}

}  // namespace

WriteResult writeRunFigure(const RunResults& run, const Verdict* verdict, const std::string& path,
                           FigureSize size, const SpectrumResult* spectrum) {
    const DerivedSeries series = deriveSeries(run);
    FigureData data = runFigureData(run, series, verdict);
    if (spectrum != nullptr && !spectrum->referenceMeanDb.empty()) {
        FigureSpectrum shown;
        shown.binHz = spectrum->binHz;
        shown.referenceMeanDb = spectrum->referenceMeanDb;
        shown.referenceSdDb = spectrum->referenceSdDb;
        shown.comparisonMeanDb = spectrum->comparisonMeanDb;
        shown.comparisonSdDb = spectrum->comparisonSdDb;
        shown.t = spectrum->verdict.t;
        shown.significant = spectrum->verdict.significant;
        for (const ClusterVerdict& cluster : spectrum->verdict.clusters) {
            shown.clusters.push_back({cluster.first, cluster.last, cluster.mass, cluster.p});
        }
        shown.verdict = verdictSentence(spectrum->verdict);
        data.spectrum = std::move(shown);
    }
    return writeFigure(data, path, size.width, size.height, recordingsRead(run));
}

WriteResult writeChannelsFigure(std::span<const ChannelRun> channels, const Verdict* across,
                                const std::string& path, FigureSize size) {
    if (channels.empty()) return {false, "the figure has no channel to show"};
    std::vector<DerivedSeries> series;
    series.reserve(channels.size());
    std::vector<FigureData> figures;
    const std::string of = " of " + std::to_string(channels.size());
    for (const ChannelRun& channel : channels) {
        series.push_back(deriveSeries(channel.run));
        FigureData data = runFigureData(channel.run, series.back(),
                                        across != nullptr ? &channel.verdict : nullptr);
        data.title += ", channel " + std::to_string(channel.run.parameters.channel + 1) + of;
        // Each channel's clusters are its own, but whether the sets differ is
        // judged once for the whole recording.
        if (across != nullptr) {
            data.verdict = verdictSentence(*across) + " across " + std::to_string(channels.size()) +
                           " channels";
        }
        figures.push_back(std::move(data));
    }
    return writeFigureBands(figures, path, size.width, size.height,
                            recordingsRead(channels.front().run));
}

}  // namespace trellmark
