#pragma once
// The axes of a panel: ticks whose labels do not collide, grid lines, tick marks and labels.

#include <cairo.h>

#include <functional>
#include <string>

#include "plot/axis_ticks.hpp"
#include "plot/plot_frame.hpp"

namespace trellmark {

// The finest round ticks along a horizontal axis of the given length whose labels, in the
// current font, keep at least gap between neighbours; wholeSteps as for chooseTicks.
AxisTicks fitHorizontalTicks(cairo_t* cr, AxisRange range, double length, double gap,
                             bool wholeSteps);

// The finest round ticks along a vertical axis whose labels stand at least 1.8 lines apart.
AxisTicks fitVerticalTicks(cairo_t* cr, AxisRange range, double length);

// The widest label of the ticks in the current font.
double widestLabel(cairo_t* cr, const AxisTicks& ticks);

// Horizontal grid lines at the value ticks (darker at zero), and their labels left of the
// area, right-aligned at gap from it.
void drawValueAxis(cairo_t* cr, const PlotFrame& frame, const AxisTicks& ticks, double gap);

// Vertical grid lines at the ticks; offsetOf turns a tick value into a sample offset.
void drawColumnGrid(cairo_t* cr, const PlotFrame& frame, const AxisTicks& ticks,
                    const std::function<double(double)>& offsetOf);

// Tick marks of length mark and their labels on the area's bottom edge (below) or top edge. A
// label that would reach left of labelsFrom or right of labelsTo is left out (its mark stays),
// so that it cannot run into the scale's name or off the page.
void drawColumnLabels(cairo_t* cr, const PlotFrame& frame, const AxisTicks& ticks,
                      const std::function<double(double)>& offsetOf, double mark, bool below,
                      double labelsFrom, double labelsTo);

// The middle of the device pixel nearest to v, where a line one unit wide is sharp.
double sharp(double v);

}  // namespace trellmark
