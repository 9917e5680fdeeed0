#include "plot/figure_zoom.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "plot/figure_texts.hpp"

namespace trellmark {
namespace {

// True when a is the stronger of two marked clusters.
bool stronger(const FigureCluster& a, const FigureCluster& b) {
    if (a.p != b.p) return a.p < b.p;
    return std::fabs(a.mass) > std::fabs(b.mass);
}

std::string oneDecimal(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// A minus sign rather than a hyphen, as the figure's other texts write it.
std::string signedText(const std::string& text) {
    if (!text.empty() && text.front() == '-') return "\u2212" + text.substr(1);
    return text;
}

}  // namespace

std::optional<FigureZoom> chooseZoom(const FigureData& data) {
    const auto count = static_cast<std::int64_t>(data.referenceMean.size());
    if (count == 0) return std::nullopt;
    FigureZoom zoom;
    for (const FigureCluster& cluster : data.clusters) {
        if (!(cluster.p < markedClusterP) || cluster.first > cluster.last) continue;
        if (cluster.last < 0 || cluster.first >= count) continue;
        if (!zoom.cluster || stronger(cluster, *zoom.cluster)) zoom.cluster = cluster;
    }
    if (zoom.cluster) {
        zoom.first = std::max<std::int64_t>(zoom.cluster->first, 0);
        zoom.last = std::min(zoom.cluster->last, count - 1);
    } else {
        if (data.difference.size() != data.referenceMean.size()) return std::nullopt;
        std::int64_t largest = -1;
        for (std::int64_t i = 0; i < count; ++i) {
            const double d = std::fabs(data.difference[static_cast<std::size_t>(i)]);
            if (std::isnan(d)) continue;
            if (largest < 0 || d > std::fabs(data.difference[static_cast<std::size_t>(largest)])) {
                largest = i;
            }
        }
        if (largest < 0) return std::nullopt;
        zoom.first = zoom.last = largest;
    }
    const std::int64_t size = zoom.last - zoom.first + 1;
    std::int64_t view = std::max(3 * size, smallestZoom);
    view = std::min(view, count);
    // Centred on the focus, then moved inside the window.
    std::int64_t begin = zoom.first - (view - size) / 2;
    begin = std::clamp<std::int64_t>(begin, 0, count - view);
    zoom.viewFirst = begin;
    zoom.viewLast = begin + view - 1;
    return zoom;
}

ZoomFigures zoomFigures(const FigureData& data, const FigureZoom& zoom) {
    double differenceSum = 0;
    double squareSum = 0;
    std::int64_t differences = 0;
    std::int64_t squares = 0;
    for (std::int64_t i = zoom.first; i <= zoom.last; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double reference = data.referenceMean[k];
        const double comparison =
            k < data.comparisonMean.size() ? data.comparisonMean[k] : std::nan("");
        if (std::isfinite(reference - comparison)) {
            differenceSum += reference - comparison;
            ++differences;
        }
        if (std::isfinite(reference)) {
            squareSum += reference * reference;
            ++squares;
        }
    }
    const double none = std::nan("");
    return {differences > 0 ? differenceSum / static_cast<double>(differences) : none,
            squares > 0 ? std::sqrt(squareSum / static_cast<double>(squares)) : none};
}

std::string decibelText(double difference, double rms) {
    if (std::isnan(difference) || std::isnan(rms) || !(rms > 0)) return {};
    if (difference == 0) return "\u2212\u221E dB";
    return signedText(oneDecimal(20 * std::log10(std::fabs(difference) / rms))) + " dB";
}

std::string zoomFactsText(const FigureData& data, const FigureZoom& zoom) {
    std::string text;
    if (zoom.cluster) {
        const std::int64_t size = zoom.last - zoom.first + 1;
        text = "Indices " + std::to_string(zoom.first) + " to " + std::to_string(zoom.last) +
               " (offsets " + std::to_string(data.startOffset + zoom.first) + " to " +
               std::to_string(data.startOffset + zoom.last) + "), " + std::to_string(size) +
               (size == 1 ? " sample" : " samples") + ", mass " +
               signedText(std::isinf(zoom.cluster->mass)
                              ? (zoom.cluster->mass > 0 ? "infinite" : "-infinite")
                              : oneDecimal(zoom.cluster->mass));
        if (const auto p = pValueText(zoom.cluster->p)) text += ", " + *p;
    } else {
        text = "Index " + std::to_string(zoom.first) + " (offset " +
               std::to_string(data.startOffset + zoom.first) + ")";
    }
    const ZoomFigures figures = zoomFigures(data, zoom);
    if (std::isnan(figures.meanDifference)) return text;
    text += zoom.cluster ? "; mean difference " : ": ";
    text += signedText(oneDecimal(figures.meanDifference)) + " LSB";
    const std::string decibels = decibelText(figures.meanDifference, figures.referenceRms);
    if (!decibels.empty()) text += " (" + decibels + " re reference RMS)";
    return text;
}

}  // namespace trellmark
