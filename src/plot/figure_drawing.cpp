#include "plot/figure_drawing.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "plot/figure_colours.hpp"
#include "plot/figure_headings.hpp"
#include "plot/figure_layout.hpp"
#include "plot/figure_panels.hpp"
#include "plot/figure_series.hpp"
#include "plot/figure_zoom.hpp"
#include "plot/plot_axes.hpp"
#include "plot/plot_text.hpp"
#include "plot/spectrum_panels.hpp"

namespace trellmark {
namespace {

constexpr double clusterStripLines = 1.9;  // font sizes above the t curves for cluster marks

void drawBorder(cairo_t* cr, const Rect& area) {
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgb(cr, 0.35, 0.35, 0.35);
    cairo_rectangle(cr, sharp(area.left) - 1, sharp(area.top) - 1, area.width + 1, area.height + 1);
    cairo_stroke(cr);
}

double sampleOffset(double offset) {
    return offset;
}

// The sample offsets the frames span, from the first sample's slot to the last one's.
AxisRange sampleSpan(const PlotFrame& frame) {
    const double first = static_cast<double>(frame.startOffset) - 0.5;
    return {first, first + static_cast<double>(std::max<std::size_t>(frame.sampleCount, 1))};
}

// Whole-number ticks of sample offsets whose labels, in the current font, stand gap apart.
AxisTicks sampleScaleTicks(cairo_t* cr, const PlotFrame& frame, double gap) {
    return fitHorizontalTicks(cr, sampleSpan(frame), frame.area.width, gap, true);
}

// Milliseconds above the first panel (when the rate is known), sample offsets below the last,
// each with its unit at the left end, and the caption that explains both.
void drawScales(cairo_t* cr, const FigureLayout& layout, const std::array<PlotFrame, 5>& frames,
                std::int32_t sampleRate, double width) {
    const double font = layout.font;
    const double mark = 0.35 * font;
    const double gap = 0.5 * font;
    const double nameRight = layout.plots[0].left - gap;
    const double labelsTo = width - 0.3 * font;
    useColour(cr, inkColour);
    if (sampleRate > 0) {
        const double rate = sampleRate;
        const AxisRange samples = sampleSpan(frames[0]);
        const AxisTicks ticks =
            fitHorizontalTicks(cr, {samples.low / rate * 1000, samples.high / rate * 1000},
                               frames[0].area.width, 1.5 * font, false);
        drawColumnLabels(
            cr, frames[0], ticks, [rate](double ms) { return ms / 1000 * rate; }, mark, false,
            nameRight + gap, labelsTo);
        useColour(cr, inkColour);
        drawText(cr, "ms", nameRight, layout.plots[0].top - 1.5 * mark, Align::end, Align::end);
    }
    drawColumnLabels(cr, frames[2], sampleScaleTicks(cr, frames[2], 1.5 * font), sampleOffset, mark,
                     true, nameRight + gap, labelsTo);
    useColour(cr, inkColour);
    drawText(cr, "samples", nameRight, layout.plots[2].bottom() + 1.5 * mark, Align::end,
             Align::start);

    std::string caption = "Sample offset after the impulse";
    if (sampleRate > 0) {
        caption += "; top scale: milliseconds at " + std::to_string(sampleRate) + " Hz";
    }
    // Centred under the panels, as wide as the page allows on both sides of that centre.
    const double centre = layout.plots[2].left + layout.plots[2].width / 2;
    const double half = std::min(centre, width - centre) - 0.3 * font;
    drawText(cr, fitFromStart(cr, caption, 2 * half), centre, layout.captionTop, Align::centre,
             Align::start);
}

// The run's data over the zoom's view only: the same spans, cut to its indices.
FigureData zoomData(const FigureData& data, const FigureZoom& zoom) {
    const auto first = static_cast<std::size_t>(zoom.viewFirst);
    const auto count = static_cast<std::size_t>(zoom.viewLast - zoom.viewFirst + 1);
    const auto cut = [&](auto span) { return span.empty() ? span : span.subspan(first, count); };
    FigureData part;
    part.referenceMean = cut(data.referenceMean);
    part.referenceStdDev = cut(data.referenceStdDev);
    part.comparisonMean = cut(data.comparisonMean);
    part.comparisonStdDev = cut(data.comparisonStdDev);
    part.difference = cut(data.difference);
    part.criticalT = cut(data.criticalT);
    part.standardError = cut(data.standardError);
    return part;
}

// The share of the page the spectrum's two panels take at its bottom.
constexpr double spectrumShare = 0.36;

void drawRunPanels(cairo_t* cr, const FigureData& data, double width, double height);

}  // namespace

void drawFigure(cairo_t* cr, const FigureData& data, double width, double height) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    if (!data.spectrum) {
        drawRunPanels(cr, data, width, height);
        return;
    }
    const double upper = std::round(height * (1 - spectrumShare));
    drawRunPanels(cr, data, width, upper);
    // The labels as large as those of the panels above.
    const double font = figureFontSize(width, upper);
    drawSpectrumPanels(cr, *data.spectrum, {0, upper, width, height - upper}, 7 * font, font);
}

namespace {

void drawRunPanels(cairo_t* cr, const FigureData& data, double width, double height) {
    const std::size_t count = data.referenceMean.size();
    const double font = figureFontSize(width, height);
    const bool withMilliseconds = data.sampleRate > 0;
    const bool withClusters = !data.clusters.empty();
    const PanelExtents extents = panelExtents(data);
    const std::optional<FigureZoom> zoom = chooseZoom(data);
    const FigureData zoomed = zoom ? zoomData(data, *zoom) : FigureData{};
    const PanelExtents zoomExtents = panelExtents(zoomed);
    const std::array<AxisRange, 5> ranges = {
        axisRange(extents.means.low, extents.means.high),
        axisRange(extents.difference.low, extents.difference.high),
        axisRange(extents.t.low, extents.t.high),
        axisRange(zoomExtents.means.low, zoomExtents.means.high),
        axisRange(zoomExtents.difference.low, zoomExtents.difference.high)};

    // The panels' heights do not depend on the left margin, the value labels' widths do.
    selectFigureFont(cr, font);
    const FigureLayout trial = layoutFigure(width, height, font, 0, withMilliseconds);
    const double strip = withClusters ? std::round(clusterStripLines * font) : 0;
    std::array<AxisTicks, 5> valueTicks;
    double widest = 0;
    for (int p = 0; p < 5; ++p) {
        const double length = trial.plots[p].height - (p == 2 ? strip : 0);
        // The zoom's difference is low, but needs a tick on either side of zero to be read.
        valueTicks[p] = p == zoomDifferencePanel
                            ? chooseTicks(ranges[p], 3)
                            : fitVerticalTicks(cr, ranges[p], std::max(length, 1.0));
        if (p < zoomPanel || zoom) widest = std::max(widest, widestLabel(cr, valueTicks[p]));
    }
    const double labelGap = 0.5 * font;
    const FigureLayout layout =
        layoutFigure(width, height, font, 2.6 * font + widest + labelGap, withMilliseconds);

    std::array<PlotFrame, 5> frames;
    for (int p = 0; p < 3; ++p) {
        frames[p] = {layout.plots[p], data.startOffset, count, ranges[p]};
    }
    frames[2].area.top += strip;
    frames[2].area.height = std::max(1.0, frames[2].area.height - strip);
    const Rect clusterStrip{layout.plots[2].left, layout.plots[2].top, layout.plots[2].width,
                            strip};
    for (int p : {zoomPanel, zoomDifferencePanel}) {
        frames[p] = {layout.plots[p], data.startOffset + (zoom ? zoom->viewFirst : 0),
                     zoomed.referenceMean.size(), ranges[p]};
    }

    const PanelSeries series = panelSeries(data, frames[0].columns());
    const double lineWidth = std::max(1.0, std::round(font / 14));
    const AxisTicks sampleTicks = sampleScaleTicks(cr, frames[0], 1.5 * font);
    for (int p = 0; p < 3; ++p) {
        drawColumnGrid(cr, frames[p], sampleTicks, sampleOffset);
        drawValueAxis(cr, frames[p], valueTicks[p], labelGap);
    }
    if (zoom) markSpan(cr, frames[0], zoom->first, zoom->last);
    drawOverviewMeans(cr, frames[0], series, lineWidth);
    drawDifferenceCurves(cr, frames[1], series, lineWidth);
    drawTCurves(cr, frames[2], series, lineWidth);
    if (withClusters) {
        drawClusters(cr, frames[2], clusterStrip, data.clusters, data.alpha, font);
        cairo_set_source_rgb(cr, 0.7, 0.7, 0.7);
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, clusterStrip.left, sharp(clusterStrip.bottom()));
        cairo_line_to(cr, clusterStrip.right(), sharp(clusterStrip.bottom()));
        cairo_stroke(cr);
    }
    for (int p = 0; p < 3; ++p) drawBorder(cr, layout.plots[p]);

    std::string zoomFacts;
    if (zoom) {
        const PlotFrame& frame = frames[zoomDifferencePanel];
        const AxisTicks ticks = sampleScaleTicks(cr, frame, 1.5 * font);
        const PanelSeries zoomSeries = panelSeries(zoomed, frame.columns());
        for (int p : {zoomPanel, zoomDifferencePanel}) {
            drawColumnGrid(cr, frames[p], ticks, sampleOffset);
            drawValueAxis(cr, frames[p], valueTicks[p], labelGap);
            markSpan(cr, frames[p], zoom->first - zoom->viewFirst, zoom->last - zoom->viewFirst);
        }
        drawZoomMeans(cr, frames[zoomPanel], zoomSeries, lineWidth);
        drawDifferenceCurves(cr, frame, zoomSeries, lineWidth);
        drawSampleDots(cr, frame, zoomSeries.difference, inkColour, lineWidth);
        drawBorder(cr, frames[zoomPanel].area);
        drawBorder(cr, frame.area);
        drawColumnLabels(cr, frame, ticks, sampleOffset, 0.35 * font, true, layout.plots[0].left,
                         width - 0.3 * font);
        useColour(cr, inkColour);
        drawText(cr, "samples", layout.plots[0].left - 0.5 * font, frame.area.bottom() + 0.5 * font,
                 Align::end, Align::start);
        zoomFacts = zoomFactsText(data, *zoom);
    }

    drawScales(cr, layout, frames, data.sampleRate, width);
    const PanelHeadings headings =
        panelHeadings(data, frames[0].perSample(), zoomFacts, zoom && zoom->cluster);
    drawHeadings(cr, layout,
                 {frames[0].area, frames[1].area, frames[2].area, frames[zoomPanel].area,
                  frames[zoomDifferencePanel].area},
                 data, headings);
    if (count == 0) {
        selectFigureFont(cr, font);
        drawText(cr, "The analysis window holds no samples.",
                 layout.plots[0].left + layout.plots[0].width / 2,
                 layout.plots[0].top + layout.plots[0].height / 2, Align::centre, Align::centre);
    }
}

}  // namespace

}  // namespace trellmark
