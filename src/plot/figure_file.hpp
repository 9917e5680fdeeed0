#pragma once
// Writing the figure of a run to a PNG, SVG or PDF file, chosen by the file name's ending.

#include <optional>
#include <string>

#include "plot/figure_data.hpp"

namespace trellmark {

enum class FigureFormat { png, svg, pdf };

// By the name's ending, in any letter case: ".png", ".svg", ".pdf"; nullopt for any other.
std::optional<FigureFormat> figureFormatFor(const std::string& path);

struct FigureOutcome {
    bool written = false;
    std::string failure;  // why not, when not written: one line, without a final full stop
};

// Draws the figure at width x height (pixels for PNG and SVG, points for PDF) and writes it to
// path. The same data and size give the same bytes. On failure nothing is left under path and a
// file it named before stays as it was. Fails for an unknown ending, a side outside
// smallestFigureSide..largestFigureSide, a PNG of more than 100 million pixels, spans of
// different lengths, and when the file cannot be created or written.
FigureOutcome writeFigure(const FigureData& data, const std::string& path, int width, int height);

}  // namespace trellmark
