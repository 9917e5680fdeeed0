#include "plot/figure_panels.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "plot/figure_colours.hpp"
#include "plot/figure_texts.hpp"
#include "plot/figure_zoom.hpp"
#include "plot/label_placement.hpp"
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

// A thin line through one edge of each column's span, its lows or its highs, broken where a
// column has no value: the outline of an envelope, which leaves what lies inside it visible.
void strokeEdge(cairo_t* cr, const PlotFrame& frame, const std::vector<ColumnSpan>& spans,
                bool upper) {
    cairo_new_path(cr);
    bool drawing = false;
    for (std::size_t k = 0; k < spans.size(); ++k) {
        const double v = upper ? spans[k].high : spans[k].low;
        if (std::isnan(v)) {
            drawing = false;
            continue;
        }
        if (!drawing) cairo_move_to(cr, frame.entryX(k), frame.yAt(v));
        cairo_line_to(cr, frame.entryX(k), frame.yAt(v));
        drawing = true;
    }
    cairo_stroke(cr);
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

void drawSampleDots(cairo_t* cr, const PlotFrame& frame, const std::vector<ColumnSpan>& trace,
                    Colour colour, double lineWidth) {
    if (!frame.perSample() || frame.sampleCount * 6 > frame.columns()) return;
    clipTo(cr, frame.area);
    useColour(cr, colour);
    const double radius = 1.5 * lineWidth + 0.5;
    for (std::size_t k = 0; k < trace.size(); ++k) {
        if (std::isnan(trace[k].low)) continue;
        cairo_new_sub_path(cr);
        cairo_arc(cr, frame.entryX(k), frame.yAt(trace[k].low), radius, 0, 2 * M_PI);
    }
    cairo_fill(cr);
    cairo_restore(cr);
}

void drawZoomMeans(cairo_t* cr, const PlotFrame& frame, const PanelSeries& series,
                   double lineWidth) {
    // The comparison first, so that the reference's line and dots stay on top where they meet.
    clipTo(cr, frame.area);
    useColour(cr, referenceColour, bandAlpha);
    fillBand(cr, frame, series.referenceLower, series.referenceUpper);
    useColour(cr, comparisonColour, bandAlpha);
    fillBand(cr, frame, series.comparisonLower, series.comparisonUpper);
    cairo_set_line_width(cr, 2 * lineWidth);
    useColour(cr, comparisonColour);
    strokeTrace(cr, frame, series.comparisonMean);
    cairo_set_line_width(cr, lineWidth);
    useColour(cr, referenceColour);
    strokeTrace(cr, frame, series.referenceMean);
    cairo_restore(cr);
    drawSampleDots(cr, frame, series.comparisonMean, comparisonColour, 1.5 * lineWidth);
    drawSampleDots(cr, frame, series.referenceMean, referenceColour, lineWidth);
}

void drawOverviewMeans(cairo_t* cr, const PlotFrame& frame, const PanelSeries& series,
                       double lineWidth) {
    if (frame.perSample()) {
        drawMeanCurves(cr, frame, series, lineWidth);
        return;
    }
    clipTo(cr, frame.area);
    useColour(cr, comparisonColour, 0.45);
    fillBand(cr, frame, series.comparisonMean, series.comparisonMean);
    cairo_set_line_width(cr, lineWidth);
    useColour(cr, referenceColour);
    strokeEdge(cr, frame, series.referenceMean, false);
    strokeEdge(cr, frame, series.referenceMean, true);
    cairo_restore(cr);
}

void markSpan(cairo_t* cr, const PlotFrame& frame, std::int64_t first, std::int64_t last) {
    const double offset = static_cast<double>(frame.startOffset);
    double left = frame.xAt(offset + static_cast<double>(first) - 0.5);
    double right = frame.xAt(offset + static_cast<double>(last) + 0.5);
    if (right - left < 3) {  // a short span still shows
        const double middle = (left + right) / 2;
        left = middle - 1.5;
        right = middle + 1.5;
    }
    clipTo(cr, frame.area);
    useColour(cr, clusterColour, 0.25);
    cairo_rectangle(cr, left, frame.area.top, right - left, frame.area.height);
    cairo_fill(cr);
    useColour(cr, clusterColour);
    cairo_rectangle(cr, left, frame.area.top, right - left, 4);
    cairo_fill(cr);
    cairo_restore(cr);
}

void drawClusters(cairo_t* cr, const PlotFrame& frame, const Rect& strip,
                  const std::vector<FigureCluster>& clusters, double alpha, double font) {
    if (frame.sampleCount == 0) return;
    const auto last = static_cast<std::int64_t>(frame.sampleCount) - 1;
    struct Bar {
        Interval span;
        double p;
    };
    std::vector<Bar> bars;
    for (const FigureCluster& cluster : clusters) {
        if (!(cluster.p < markedClusterP)) continue;  // chance makes plenty of those
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
    const double labelBottom = barTop - 0.15 * font;
    useColour(cr, clusterColour);
    for (const Bar& bar : bars) {
        cairo_rectangle(cr, bar.span.left, barTop, bar.span.right - bar.span.left, barHeight);
    }
    cairo_fill(cr);

    // The legend at the strip's right end, a swatch of the bars' colour and what they mean.
    const std::string legend = clusterLegendText(alpha);
    const double swatch = 1.2 * font;
    const double legendWidth = swatch + 0.4 * font + textWidth(cr, legend);
    const double legendLeft = strip.right() - legendWidth;
    const double legendMiddle = labelBottom - 0.5 * font;
    useColour(cr, clusterColour);
    cairo_rectangle(cr, legendLeft, legendMiddle - 0.15 * font, swatch, barHeight);
    cairo_fill(cr);
    useColour(cr, inkColour);
    drawText(cr, legend, legendLeft + swatch + 0.4 * font, legendMiddle, Align::start,
             Align::centre);

    // Labels for the clusters below alpha, smallest p first, never over the legend or another.
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k < bars.size(); ++k) {
        if (bars[k].p < alpha) order.push_back(k);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return bars[a].p < bars[b].p; });
    std::vector<LabelRequest> requests;
    std::vector<std::string> labels;
    for (std::size_t index : order) {
        labels.push_back(pValueText(bars[index].p).value_or(""));
        requests.push_back(
            {(bars[index].span.left + bars[index].span.right) / 2, textWidth(cr, labels.back())});
    }
    const auto lefts =
        placeLabels(requests, {{legendLeft, strip.right()}}, strip.left, strip.right(), font / 2);
    for (std::size_t k = 0; k < lefts.size(); ++k) {
        if (lefts[k]) drawText(cr, labels[k], *lefts[k], labelBottom, Align::start, Align::end);
    }
    cairo_restore(cr);
}

}  // namespace trellmark
