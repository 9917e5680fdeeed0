#include "plot/figure_panels.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "plot/figure_colours.hpp"
#include "plot/figure_texts.hpp"
#include "plot/panel_traces.hpp"
#include "plot/plot_text.hpp"

namespace trellmark {
namespace {

constexpr double bandAlpha = 0.2;

// Restricts drawing to the frame's area until the matching cairo_restore.
void clipTo(cairo_t* cr, const Rect& area) {
    cairo_save(cr);
    cairo_rectangle(cr, area.left, area.top, area.width, area.height);
    cairo_clip(cr);
}

struct Interval {
    double left;
    double right;
};

bool overlaps(const std::vector<Interval>& taken, Interval candidate) {
    return std::any_of(taken.begin(), taken.end(), [&](const Interval& other) {
        return candidate.left < other.right && other.left < candidate.right;
    });
}

}  // namespace

void drawMeanCurves(cairo_t* cr, const PlotFrame& frame, const PanelSeries& series,
                    double lineWidth) {
    clipTo(cr, frame.area);
    useColour(cr, referenceColour, bandAlpha);
    fillBand(cr, frame, series.referenceLower, series.referenceUpper);
    useColour(cr, comparisonColour, bandAlpha);
    fillBand(cr, frame, series.comparisonLower, series.comparisonUpper);
    cairo_set_line_width(cr, lineWidth);
    useColour(cr, referenceColour);
    strokeTrace(cr, frame, series.referenceMean);
    useColour(cr, comparisonColour);
    strokeTrace(cr, frame, series.comparisonMean);
    cairo_restore(cr);
}

void drawDifferenceCurves(cairo_t* cr, const PlotFrame& frame, const PanelSeries& series,
                          double lineWidth) {
    clipTo(cr, frame.area);
    useColour(cr, neutralBandColour, 0.3);
    fillBand(cr, frame, series.criticalLower, series.criticalUpper);
    cairo_set_line_width(cr, lineWidth);
    useColour(cr, inkColour);
    strokeTrace(cr, frame, series.difference);
    cairo_restore(cr);
}

void drawTCurves(cairo_t* cr, const PlotFrame& frame, const PanelSeries& series, double lineWidth) {
    clipTo(cr, frame.area);
    shadeEntries(cr, frame, series.significantShare, significantColour);
    cairo_set_line_width(cr, lineWidth);
    useColour(cr, inkColour);
    strokeTrace(cr, frame, series.t);
    // Over t, so that a dense t trace cannot hide where the test's threshold lies.
    cairo_set_line_width(cr, lineWidth * 1.5);
    useColour(cr, criticalColour);
    strokeTrace(cr, frame, series.criticalTUpper);
    strokeTrace(cr, frame, series.criticalTLower);
    cairo_restore(cr);
}

void drawClusters(cairo_t* cr, const PlotFrame& frame, const Rect& strip,
                  const std::vector<FigureCluster>& clusters, double font) {
    if (frame.sampleCount == 0) return;
    const auto last = static_cast<std::int64_t>(frame.sampleCount) - 1;
    struct Bar {
        Interval span;
        double p;
    };
    std::vector<Bar> bars;
    for (const FigureCluster& cluster : clusters) {
        const std::int64_t first = std::max<std::int64_t>(cluster.first, 0);
        const std::int64_t end = std::min(cluster.last, last);
        if (first > end) continue;
        const double offset = static_cast<double>(frame.startOffset);
        Interval span{frame.xAt(offset + static_cast<double>(first) - 0.5),
                      frame.xAt(offset + static_cast<double>(end) + 0.5)};
        if (span.right - span.left < 1) {  // a narrow cluster still shows
            const double middle = (span.left + span.right) / 2;
            span = {middle - 0.5, middle + 0.5};
        }
        bars.push_back({span, cluster.p});
    }

    clipTo(cr, strip);
    const double barHeight = 0.3 * font;
    const double barTop = strip.bottom() - 0.25 * font - barHeight;
    useColour(cr, clusterColour);
    for (const Bar& bar : bars) {
        cairo_rectangle(cr, bar.span.left, barTop, bar.span.right - bar.span.left, barHeight);
    }
    cairo_fill(cr);

    std::vector<std::size_t> order(bars.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return !std::isnan(bars[a].p) && (std::isnan(bars[b].p) || bars[a].p < bars[b].p);
    });
    std::vector<Interval> taken;
    useColour(cr, inkColour);
    for (std::size_t index : order) {
        const auto label = pValueText(bars[index].p);
        if (!label) continue;
        const double width = textWidth(cr, *label);
        const double middle = (bars[index].span.left + bars[index].span.right) / 2;
        const double left = std::clamp(middle - width / 2, strip.left, strip.right() - width);
        const Interval place{left - font / 2, left + width + font / 2};
        if (overlaps(taken, place)) continue;
        taken.push_back(place);
        drawText(cr, *label, left, barTop - 0.15 * font, Align::start, Align::end);
    }
    cairo_restore(cr);
}

}  // namespace trellmark
