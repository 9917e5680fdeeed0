#pragma once
// Where the title, the panels, their headings and the axis labels go on the page: three panels of
// the whole window one above the other, then the zoom panel with a scale of its own.

#include <array>

#include "plot/plot_frame.hpp"

namespace trellmark {

struct FigureLayout {
    double font = 14;  // size of every label but the title
    double titleFont = 18;
    double titleTop = 0;
    std::array<double, 4> headingTop{};  // each panel's heading line; the zoom's has two
    std::array<Rect, 5> plots;           // whole-unit left edge and width; the zoom's two last
    double captionTop = 0;               // the caption under the whole window's bottom scale
};

// The zoom panel's place in plots and headingTop: its means, and its difference right below.
constexpr int zoomPanel = 3;
constexpr int zoomDifferencePanel = 4;

// The body font for a page of this size: about 1/70 of the height, within 8 and 48.
double figureFontSize(double width, double height);

// Panels of equal height, one above the other, between the left margin and a right margin of
// three font sizes; room for a millisecond scale above the first panel when withTopScale, and
// for a scale under the zoom panel.
FigureLayout layoutFigure(double width, double height, double font, double leftMargin,
                          bool withTopScale);

}  // namespace trellmark
