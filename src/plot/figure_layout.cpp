#include "plot/figure_layout.hpp"

#include <algorithm>
#include <cmath>

namespace trellmark {
namespace {

// Heights in font sizes.
constexpr double topPad = 0.6;
constexpr double titleLine = 1.9;
constexpr double headingLine = 1.6;
constexpr double scaleLine = 1.8;  // tick marks and one row of labels
constexpr double panelGap = 0.5;
constexpr double captionLine = 1.5;
constexpr double bottomPad = 0.4;
constexpr double rightMargin = 3;
constexpr double zoomGap = 0.4;              // between the zoom's means and its difference
constexpr double zoomDifferenceShare = 0.6;  // of a panel's height
constexpr double smallestPlot = 10;          // device units; tiny pages overlap rather than invert

}  // namespace

double figureFontSize(double width, double height) {
    return std::clamp(std::min(width / 110, height / 70), 8.0, 48.0);
}

FigureLayout layoutFigure(double width, double height, double font, double leftMargin,
                          bool withTopScale) {
    FigureLayout layout;
    layout.font = font;
    layout.titleFont = font * 1.3;
    const double left = std::round(leftMargin);
    const double plotWidth = std::max(smallestPlot, std::floor(width - left - rightMargin * font));

    const double topScale = withTopScale ? scaleLine : 0;
    const double text = topPad + titleLine + 5 * headingLine + topScale + 2 * panelGap +
                        2 * scaleLine + captionLine + panelGap + bottomPad;
    const double plotHeight =
        std::max(smallestPlot,
                 std::floor((height - text * font - zoomGap * font) / (4 + zoomDifferenceShare)));

    double y = topPad * font;
    layout.titleTop = y;
    y += titleLine * font;
    for (int p = 0; p < 3; ++p) {
        layout.headingTop[p] = y;
        y += headingLine * font;
        if (p == 0) y += topScale * font;
        layout.plots[p] = {left, std::round(y), plotWidth, plotHeight};
        y = std::round(y) + plotHeight + panelGap * font;
    }
    layout.captionTop = layout.plots[2].bottom() + scaleLine * font;
    y = layout.captionTop + (captionLine + panelGap) * font;
    layout.headingTop[zoomPanel] = y;
    y += 2 * headingLine * font;
    layout.plots[zoomPanel] = {left, std::round(y), plotWidth, plotHeight};
    layout.plots[zoomDifferencePanel] = {
        left, std::round(layout.plots[zoomPanel].bottom() + zoomGap * font), plotWidth,
        std::max(smallestPlot, std::floor(zoomDifferenceShare * plotHeight))};
    return layout;
}

}  // namespace trellmark
