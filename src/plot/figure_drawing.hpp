#pragma once
// Drawing the whole figure of a run onto any cairo surface.

#include <cairo.h>

#include "plot/figure_data.hpp"

namespace trellmark {

// Paints the page (width x height device units, from the origin) white and draws the title,
// the three panels, their axes, headings and legend. data's spans must all hold either no entry
// or as many as referenceMean.
void drawFigure(cairo_t* cr, const FigureData& data, double width, double height);

}  // namespace trellmark
