#pragma once
// Where the title, the three panels, their headings and the axis labels go on the page.

#include <array>

#include "plot/plot_frame.hpp"

namespace trellmark {

struct FigureLayout {
    double font = 14;  // size of every label but the title
    double titleFont = 18;
    double titleTop = 0;
    std::array<double, 3> headingTop{};  // each panel's heading line
    std::array<Rect, 3> plots;           // whole-unit left edge and width
    double captionTop = 0;               // the caption under the bottom scale
};

// The body font for a page of this size: about 1/70 of the height, within 8 and 48.
double figureFontSize(double width, double height);

// Panels of equal height, one above the other, between the left margin and a right margin of
// three font sizes; room for a millisecond scale above the first panel when withTopScale.
FigureLayout layoutFigure(double width, double height, double font, double leftMargin,
                          bool withTopScale);

}  // namespace trellmark
