#pragma once
// The figure of a finished run: its record (and verdict, when there is one)
// drawn by the plot code into a PNG, SVG or PDF file.

#include <span>
#include <string>

#include "analysis/run_results.hpp"
#include "plot/figure_file.hpp"
#include "plot/figure_size.hpp"
#include "spectrum/run_spectrum.hpp"
#include "verdict/channel_verdicts.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// Writes the figure to `path` (its ending chooses the format), never over a
// recording the run read. `verdict` may be null: the figure then has no
// clusters and no verdict. With a spectrum its two panels come last.
WriteResult writeRunFigure(const RunResults& run, const Verdict* verdict, const std::string& path,
                           FigureSize size, const SpectrumResult* spectrum = nullptr);

// The figure of a run over every channel: each channel's panels in a band of
// `size`, one below another, so the figure is as many bands tall. `across`
// may be null: no channel then shows clusters or a verdict.
WriteResult writeChannelsFigure(std::span<const ChannelRun> channels, const Verdict* across,
                                const std::string& path, FigureSize size);

}  // namespace trellmark
