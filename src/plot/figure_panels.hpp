#pragma once
// The curves of the three panels and the cluster marks, drawn into frames laid out beforehand.

#include <cairo.h>

#include <vector>

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

// One bar per cluster in the strip above the t curves, spanning its indices, with its p above
// it where the label finds room; labels go to the clusters with the smallest p first.
void drawClusters(cairo_t* cr, const PlotFrame& frame, const Rect& strip,
                  const std::vector<FigureCluster>& clusters, double font);

}  // namespace trellmark
