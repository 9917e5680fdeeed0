#pragma once
// The figure of a finished run: its record (and verdict, when there is one)
// drawn by the plot code into a PNG, SVG or PDF file.

#include <string>

#include "analysis/run_results.hpp"
#include "plot/figure_file.hpp"
#include "plot/figure_size.hpp"
#include "spectrum/run_spectrum.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// Writes the figure to `path` (its ending chooses the format), never over a
// recording the run read. `verdict` may be null: the figure then has no
// clusters and no verdict. With a spectrum its two panels come last.
WriteResult writeRunFigure(const RunResults& run, const Verdict* verdict, const std::string& path,
                           FigureSize size, const SpectrumResult* spectrum = nullptr);

}  // namespace trellmark
