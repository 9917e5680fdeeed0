#pragma once
// The spectrum's two panels, under the rest of the figure: both sets' mean level
// +- 1 SD in dB over a logarithmic frequency axis with the significant bins shaded,
// and t per bin with the clusters marked above it.

#include <cairo.h>

#include "plot/figure_data.hpp"
#include "plot/plot_frame.hpp"

namespace trellmark {

// Draws into `area` with labels of `font` size; `left` is where the panels begin,
// so that they line up with the panels above.
void drawSpectrumPanels(cairo_t* cr, const FigureSpectrum& spectrum, const Rect& area, double left,
                        double font);

}  // namespace trellmark
