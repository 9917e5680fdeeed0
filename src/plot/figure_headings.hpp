#pragma once
// The words around the panels: the title, each panel's heading, the legend, the run's summary
// and the names of the value axes.

#include <cairo.h>

#include <array>

#include "plot/figure_data.hpp"
#include "plot/figure_layout.hpp"

namespace trellmark {

// Draws them into the places the layout keeps; dataAreas are the panels' value areas (the t
// panel's lies below its cluster strip). Long texts give way to the more important ones on the
// same line: the legend's set names and the summary stay, the headings shorten first.
void drawHeadings(cairo_t* cr, const FigureLayout& layout, const std::array<Rect, 3>& dataAreas,
                  const FigureData& data);

}  // namespace trellmark
