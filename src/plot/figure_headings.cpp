#include "plot/figure_headings.hpp"

#include <algorithm>
#include <string>

#include "plot/figure_colours.hpp"
#include "plot/figure_texts.hpp"
#include "plot/plot_text.hpp"

namespace trellmark {
namespace {

constexpr double swatchWidth = 1.6;  // font sizes
constexpr double swatchGap = 0.5;
constexpr double legendGap = 2;
constexpr double headingGap = 1.5;  // between a heading and what shares its line

// The long form of a heading when it fits into room, else the short form when that fits, else
// the long form shortened.
std::string headingFor(cairo_t* cr, const std::string& longForm, const std::string& shortForm,
                       double room) {
    if (textWidth(cr, longForm) <= room) return longForm;
    if (textWidth(cr, shortForm) <= room) return shortForm;
    return fitFromStart(cr, longForm, room);
}

const std::string referencePrefix = "Reference: ";
const std::string comparisonPrefix = "Comparison: ";

// The legend's width with these names.
double legendWidth(cairo_t* cr, double font, const std::string& reference,
                   const std::string& comparison) {
    return 2 * (swatchWidth + swatchGap) * font + legendGap * font +
           textWidth(cr, referencePrefix + reference) +
           textWidth(cr, comparisonPrefix + comparison);
}

// The legend, right-aligned at right on the line whose top is top: a swatch of band and line in
// each set's colour, the set's role and its (fitted) name.
void drawLegend(cairo_t* cr, double right, double top, const FittedHeadings& fitted, double font) {
    struct Entry {
        std::string text;
        Colour colour;
    };
    const Entry entries[] = {{referencePrefix + fitted.referenceName, referenceColour},
                             {comparisonPrefix + fitted.comparisonName, comparisonColour}};
    double x = right - legendWidth(cr, font, fitted.referenceName, fitted.comparisonName);
    const double middle = top + 0.55 * font;
    for (const Entry& entry : entries) {
        useColour(cr, entry.colour, 0.35);
        cairo_rectangle(cr, x, middle - 0.4 * font, swatchWidth * font, 0.8 * font);
        cairo_fill(cr);
        useColour(cr, entry.colour);
        cairo_set_line_width(cr, std::max(1.0, font / 7));
        cairo_move_to(cr, x, middle);
        cairo_line_to(cr, x + swatchWidth * font, middle);
        cairo_stroke(cr);
        useColour(cr, inkColour);
        drawText(cr, entry.text, x + (swatchWidth + swatchGap) * font, middle, Align::start,
                 Align::centre);
        x += (swatchWidth + swatchGap + legendGap) * font + textWidth(cr, entry.text);
    }
}

// A name along the left margin, reading upwards, when it fits the panel's height.
void drawAxisName(cairo_t* cr, const std::string& name, double x, const Rect& area) {
    if (textWidth(cr, name) > area.height) return;
    drawUpwardText(cr, name, x, area.top + area.height / 2);
}

}  // namespace

PanelHeadings panelHeadings(const FigureData& data, bool perSample, const std::string& zoomFacts,
                            bool onCluster) {
    PanelHeadings headings;
    headings.means = perSample ? "Mean of each set, with \u00B1 1 standard deviation"
                               : "Mean of each set: its range in each pixel column, comparison "
                                 "filled, reference outlined";
    if (!data.clusters.empty() || !zoomFacts.empty()) headings.means += "; green: zoomed below";
    headings.difference =
        "Difference reference \u2212 comparison, with \u00B1 critical difference (outside it: "
        "significant)";
    headings.t = tHeadingText(data.confidencePercent);
    if (!zoomFacts.empty()) {
        headings.zoom =
            std::string(onCluster ? "Zoom on the strongest cluster"
                                  : "Zoom on the largest difference") +
            ": both means sample by sample with \u00B1 1 standard deviation; below, their "
            "difference with \u00B1 critical difference";
        headings.zoomFacts = zoomFacts;
    }
    return headings;
}

FittedHeadings fitHeadings(cairo_t* cr, double plotWidth, double font, const PanelHeadings& full,
                           const FigureData& data) {
    FittedHeadings fitted;
    const double gap = headingGap * font;
    fitted.headings.means = headingFor(cr, full.means, "Means", plotWidth);
    fitted.headings.difference = headingFor(cr, full.difference, "Difference", plotWidth);
    fitted.headings.t = headingFor(cr, full.t, "t", plotWidth);
    fitted.headings.zoom = headingFor(cr, full.zoom, "Zoom", plotWidth);
    fitted.headings.zoomFacts = fitFromStart(cr, full.zoomFacts, plotWidth);

    // The legend shares the overview's line: its names shorten from the front, each into half of
    // what the heading and the legend's fixed parts leave.
    const double legendRoom = plotWidth - textWidth(cr, fitted.headings.means) - gap;
    const double perName = std::max(0.0, (legendRoom - legendWidth(cr, font, "", "")) / 2);
    fitted.referenceName = fitFromEnd(cr, setLabelText(data.reference), perName);
    fitted.comparisonName = fitFromEnd(cr, setLabelText(data.comparison), perName);

    // The summary shares the t panel's line and gives way to its heading.
    selectFigureFont(cr, font, true);
    fitted.summary =
        fitFromStart(cr, summaryText(data), plotWidth - textWidth(cr, fitted.headings.t) - gap);
    selectFigureFont(cr, font);
    return fitted;
}

void drawHeadings(cairo_t* cr, const FigureLayout& layout, const std::array<Rect, 5>& dataAreas,
                  const FigureData& data, const PanelHeadings& headings) {
    const double font = layout.font;
    const Rect& plot = layout.plots[0];
    selectFigureFont(cr, font);
    const FittedHeadings fitted = fitHeadings(cr, plot.width, font, headings, data);
    useColour(cr, inkColour);

    drawText(cr, fitted.headings.means, plot.left, layout.headingTop[0], Align::start,
             Align::start);
    drawLegend(cr, plot.right(), layout.headingTop[0], fitted, font);
    useColour(cr, inkColour);
    drawText(cr, fitted.headings.difference, plot.left, layout.headingTop[1], Align::start,
             Align::start);
    drawText(cr, fitted.headings.t, plot.left, layout.headingTop[2], Align::start, Align::start);
    drawText(cr, fitted.headings.zoom, plot.left, layout.headingTop[zoomPanel], Align::start,
             Align::start);
    drawText(cr, fitted.headings.zoomFacts, plot.left, layout.headingTop[zoomPanel] + 1.6 * font,
             Align::start, Align::start);
    selectFigureFont(cr, font, true);
    drawText(cr, fitted.summary, plot.right(), layout.headingTop[2], Align::end, Align::start);
    selectFigureFont(cr, font);

    const std::string unit = lsbUnitText(data.bitsPerSample);
    const double nameX = 1.2 * font;
    drawAxisName(cr, unit, nameX, dataAreas[0]);
    drawAxisName(cr, unit, nameX, dataAreas[1]);
    drawAxisName(cr, "t", nameX, dataAreas[2]);
    if (!headings.zoom.empty()) {
        drawAxisName(cr, unit, nameX, dataAreas[zoomPanel]);
        drawAxisName(cr, "LSB", nameX, dataAreas[zoomDifferencePanel]);
    }

    selectFigureFont(cr, layout.titleFont, true);
    const std::string title = data.title.empty() ? "Comparison of two sets" : data.title;
    drawText(cr, fitFromStart(cr, title, plot.right() - plot.left), plot.left, layout.titleTop,
             Align::start, Align::start);
    selectFigureFont(cr, font);
}

}  // namespace trellmark
