#pragma once
// The curves of the three panels and the cluster marks, drawn into frames laid out beforehand.

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "plot/figure_colours.hpp"
#include "plot/figure_data.hpp"
#include "plot/figure_series.hpp"
#include "plot/plot_frame.hpp"

namespace trellmark {

// Both standard deviation bands under both mean lines, so no band hides a line.
void drawMeanCurves(cairo_t* cr, const PlotFrame& frame, const PanelSeries& series,
                    double lineWidth);

// The band of plus and minus the critical difference around zero, and the difference on top.
void drawDifferenceCurves(cairo_t* cr, const PlotFrame& frame, const PanelSeries& series,
                          double lineWidth);

// Significant indices shaded, the critical lines, and t on top.
void drawTCurves(cairo_t* cr, const PlotFrame& frame, const PanelSeries& series, double lineWidth);

// The overview of both means over a window longer than the panel is wide: the comparison mean's
// range in each pixel column filled, the reference mean's range outlined over it, so neither
// hides the other. Drawn as drawMeanCurves draws them when there is a column for every sample.
void drawOverviewMeans(cairo_t* cr, const PlotFrame& frame, const PanelSeries& series,
                       double lineWidth);

// A dot at each sample of the trace when there are at least six columns to a sample, so that
// each sample can be told from the line between them.
void drawSampleDots(cairo_t* cr, const PlotFrame& frame, const std::vector<ColumnSpan>& trace,
                    Colour colour, double lineWidth);

// The zoom panel's means: bands, the comparison's line (wider) under the reference's, and
// dots at the samples.
void drawZoomMeans(cairo_t* cr, const PlotFrame& frame, const PanelSeries& series,
                   double lineWidth);

// Shades the indices first .. last (at least 3 units wide) across the area, with a bar along
// its top edge: where the zoom panel looks.
void markSpan(cairo_t* cr, const PlotFrame& frame, std::int64_t first, std::int64_t last);

// One bar per cluster with p below 0.5 in the strip above the t curves, spanning its indices;
// those with p below alpha get their p above them where the label finds room (smallest p first,
// none over another or over the legend at the strip's right end).
void drawClusters(cairo_t* cr, const PlotFrame& frame, const Rect& strip,
                  const std::vector<FigureCluster>& clusters, double alpha, double font);

}  // namespace trellmark
