#include "plot/figure_series.hpp"

#include <algorithm>
#include <cmath>
#include <span>

namespace trellmark {
namespace {

// Grows a range by the values that are finite.
void include(AxisRange& range, double v) {
    if (!std::isfinite(v)) return;
    if (range.low > range.high) {
        range = {v, v};
        return;
    }
    range.low = std::min(range.low, v);
    range.high = std::max(range.high, v);
}

void includeMeanBand(AxisRange& range, std::span<const double> mean,
                     std::span<const double> stdDev) {
    for (std::size_t i = 0; i < mean.size(); ++i) {
        include(range, mean[i]);
        if (i < stdDev.size()) {
            include(range, mean[i] - stdDev[i]);
            include(range, mean[i] + stdDev[i]);
        }
    }
}

// Both edges of a band whose half-width is spread (NaN where there is no band).
struct BandEdges {
    std::vector<ColumnSpan> lower;
    std::vector<ColumnSpan> upper;
};

template <class ValueAt, class SpreadAt>
BandEdges bandAround(std::size_t count, std::size_t columns, ValueAt centre, SpreadAt spread) {
    return {columnExtremes(count, columns, [&](std::size_t i) { return centre(i) - spread(i); }),
            columnExtremes(count, columns, [&](std::size_t i) { return centre(i) + spread(i); })};
}

// A line at the largest value of each column (+) or at its negation (-).
std::vector<ColumnSpan> edgeLine(const std::vector<ColumnSpan>& spans, double sign) {
    std::vector<ColumnSpan> line(spans.size());
    for (std::size_t k = 0; k < spans.size(); ++k) {
        if (!std::isnan(spans[k].high)) line[k] = {sign * spans[k].high, sign * spans[k].high};
    }
    return line;
}

bool holds(std::span<const double> values, std::size_t count) {
    return count > 0 && values.size() == count;
}

}  // namespace

double criticalDifference(const FigureData& data, std::size_t i) {
    return std::fabs(data.criticalT[i] * data.standardError[i]);
}

PanelExtents panelExtents(const FigureData& data) {
    PanelExtents extents;
    const std::size_t count = data.referenceMean.size();
    includeMeanBand(extents.means, data.referenceMean, data.referenceStdDev);
    includeMeanBand(extents.means, data.comparisonMean, data.comparisonStdDev);

    include(extents.difference, 0);
    for (double d : data.difference) include(extents.difference, d);
    if (holds(data.criticalT, count) && holds(data.standardError, count)) {
        for (std::size_t i = 0; i < count; ++i) {
            include(extents.difference, criticalDifference(data, i));
            include(extents.difference, -criticalDifference(data, i));
        }
    }

    include(extents.t, 0);
    for (double t : data.tValue) include(extents.t, t);
    for (double c : data.criticalT) {
        include(extents.t, std::fabs(c));
        include(extents.t, -std::fabs(c));
    }
    return extents;
}

PanelSeries panelSeries(const FigureData& data, std::size_t columns) {
    PanelSeries series;
    const std::size_t count = data.referenceMean.size();
    const auto reduce = [&](std::span<const double> values) {
        return holds(values, count) ? columnExtremes(values, columns) : std::vector<ColumnSpan>{};
    };
    series.referenceMean = reduce(data.referenceMean);
    series.comparisonMean = reduce(data.comparisonMean);
    series.difference = reduce(data.difference);
    series.t = reduce(data.tValue);

    const auto meanBand = [&](std::span<const double> mean, std::span<const double> stdDev) {
        if (!holds(mean, count) || !holds(stdDev, count)) return BandEdges{};
        return bandAround(
            count, columns, [&](std::size_t i) { return mean[i]; },
            [&](std::size_t i) { return stdDev[i]; });
    };
    BandEdges reference = meanBand(data.referenceMean, data.referenceStdDev);
    series.referenceLower = std::move(reference.lower);
    series.referenceUpper = std::move(reference.upper);
    BandEdges comparison = meanBand(data.comparisonMean, data.comparisonStdDev);
    series.comparisonLower = std::move(comparison.lower);
    series.comparisonUpper = std::move(comparison.upper);

    if (holds(data.criticalT, count) && holds(data.standardError, count)) {
        const auto widest = columnExtremes(
            count, columns, [&](std::size_t i) { return criticalDifference(data, i); });
        series.criticalLower = edgeLine(widest, -1);
        series.criticalUpper = edgeLine(widest, 1);
    }
    if (holds(data.criticalT, count)) {
        const auto widest = columnExtremes(
            count, columns, [&](std::size_t i) { return std::fabs(data.criticalT[i]); });
        series.criticalTLower = edgeLine(widest, -1);
        series.criticalTUpper = edgeLine(widest, 1);
    }
    if (count > 0 && data.significant.size() == count) {
        series.significantShare =
            columnShares(count, columns, [&](std::size_t i) { return data.significant[i] != 0; });
    }
    return series;
}

}  // namespace trellmark
