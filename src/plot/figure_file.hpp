#pragma once
// Writing the figure of a run to a PNG, SVG or PDF file, chosen by the file name's ending.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "io/output_file.hpp"
#include "io/write_result.hpp"
#include "plot/figure_data.hpp"

namespace trellmark {

enum class FigureFormat { png, svg, pdf };

// By the name's ending, in any letter case: ".png", ".svg", ".pdf"; nullopt for any other.
std::optional<FigureFormat> figureFormatFor(const std::string& path);

// Takes the bytes of a figure in order; false when it cannot, which ends the writing.
using FigureSink = std::function<bool(std::string_view bytes)>;

// The most pixels a PNG figure may have: 4 bytes each in memory.
constexpr long long largestPngPixels = 100'000'000;

// Loads the font configuration the figure's text needs, once. A run that will
// draw does it before its analysis takes the memory: the font library does
// not survive running out of memory while it loads.
void prepareFigureFonts();

// Why a figure of this data cannot be drawn in this format and size, or empty: a side outside
// smallestFigureSide..largestFigureSide, a PNG of more than 100 million pixels (4 bytes each in
// memory), or spans of different lengths.
std::string figureProblem(const FigureData& data, FigureFormat format, int width, int height);

// Draws the figure at width x height (pixels for PNG and SVG, points for PDF) and hands its bytes
// to sink, for callers that open their files themselves. The same data and size give the same
// bytes. Not written when figureProblem names a problem, cairo fails, or sink refuses bytes
// (failure then says only that: the sink knows why).
WriteResult renderFigure(const FigureData& data, FigureFormat format, int width, int height,
                         const FigureSink& sink);

// The figures of several runs one below another, each in a band of width x bandHeight, so the
// figure is as many bands tall; each band is drawn as a figure of its own. The problems, the
// rendering and the writing are those of one figure below, for the whole height; no figure at
// all is a problem too.
std::string figureBandsProblem(std::span<const FigureData> figures, FigureFormat format, int width,
                               int bandHeight);
WriteResult renderFigureBands(std::span<const FigureData> figures, FigureFormat format, int width,
                              int bandHeight, const FigureSink& sink);
WriteResult writeFigureBands(std::span<const FigureData> figures, const std::string& path,
                             int width, int bandHeight, std::span<const FileIdentity> inputs = {});

// Draws the figure at width x height (pixels for PNG and SVG, points for PDF) and writes it to
// path, in the format its ending names, as openOutputFile writes: through a temporary file that
// takes the name only when complete, never over one of `inputs`. Fails for an unknown ending,
// whatever figureProblem names, and every name openOutputFile refuses.
WriteResult writeFigure(const FigureData& data, const std::string& path, int width, int height,
                        std::span<const FileIdentity> inputs = {});

}  // namespace trellmark
