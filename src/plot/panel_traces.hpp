#pragma once
// Drawing reduced series into a panel: a line, a band between two envelopes, shaded indices.

#include <cairo.h>

#include <vector>

#include "plot/column_extremes.hpp"
#include "plot/figure_colours.hpp"
#include "plot/plot_frame.hpp"

namespace trellmark {

// The line through the entries in the current source and line width: sample to sample, or for
// pixel columns a vertical stroke from each column's minimum to its maximum, joined to its
// neighbours. Entries without a value break the line; an entry alone between gaps is a dot.
void strokeTrace(cairo_t* cr, const PlotFrame& frame, const std::vector<ColumnSpan>& trace);

// Fills, in the current source, the area between lower[k].low and upper[k].high over every
// run of entries where both are numbers; for pixel columns each column is filled across its
// whole width.
void fillBand(cairo_t* cr, const PlotFrame& frame, const std::vector<ColumnSpan>& lower,
              const std::vector<ColumnSpan>& upper);

// Shades the full height of the area over every entry with a share above zero, in the colour
// at an opacity that grows with the share: a column where every index is marked stands out
// from one where a few are. Neighbours with the same share form one rectangle.
void shadeEntries(cairo_t* cr, const PlotFrame& frame, const std::vector<double>& shares,
                  Colour colour);

}  // namespace trellmark
