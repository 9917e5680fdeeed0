#include "plot/figure_headings.hpp"

#include <algorithm>
#include <string>

#include "plot/figure_colours.hpp"
#include "plot/figure_texts.hpp"
#include "plot/plot_text.hpp"

namespace trellmark {
namespace {

// The long form of a heading when it fits into room, else the short form, else nothing.
std::string headingFor(cairo_t* cr, const std::string& longForm, const std::string& shortForm,
                       double room) {
    if (textWidth(cr, longForm) <= room) return longForm;
    if (textWidth(cr, shortForm) <= room) return shortForm;
    return {};
}

struct LegendEntry {
    std::string prefix;
    std::string name;
    Colour colour;
};

// The legend, right-aligned at right on the line whose top is top: a swatch of band and line in
// each set's colour, the set's role, and its name shortened from the front to fit room. When
// even the roles do not fit, it starts at right - room and runs over.
void drawLegend(cairo_t* cr, double right, double top, double room, const FigureData& data,
                double font) {
    const double swatch = 1.6 * font;
    const double gap = 0.5 * font;
    const double between = 2 * font;
    std::array<LegendEntry, 2> entries = {
        LegendEntry{"Reference: ", setLabelText(data.reference), referenceColour},
        LegendEntry{"Comparison: ", setLabelText(data.comparison), comparisonColour}};
    double fixed = between;
    for (const LegendEntry& entry : entries) fixed += swatch + gap + textWidth(cr, entry.prefix);
    const double perName = std::max(0.0, (room - fixed) / 2);
    double total = between;
    for (LegendEntry& entry : entries) {
        entry.name = fitFromEnd(cr, entry.name, perName);
        total += swatch + gap + textWidth(cr, entry.prefix + entry.name);
    }
    double x = std::max(right - total, right - room);
    const double middle = top + 0.55 * font;
    for (const LegendEntry& entry : entries) {
        useColour(cr, entry.colour, 0.2);
        cairo_rectangle(cr, x, middle - 0.4 * font, swatch, 0.8 * font);
        cairo_fill(cr);
        useColour(cr, entry.colour);
        cairo_set_line_width(cr, std::max(1.0, font / 7));
        cairo_move_to(cr, x, middle);
        cairo_line_to(cr, x + swatch, middle);
        cairo_stroke(cr);
        useColour(cr, inkColour);
        const std::string text = entry.prefix + entry.name;
        drawText(cr, text, x + swatch + gap, middle, Align::start, Align::centre);
        x += swatch + gap + textWidth(cr, text) + between;
    }
}

// The legend's width with the names in full, or shortened to an ellipsis.
double legendWidth(cairo_t* cr, const FigureData& data, double font, bool fullNames) {
    const auto name = [&](const FigureSetLabel& label) {
        return fullNames ? setLabelText(label) : std::string("\u2026");
    };
    return 2 * (1.6 * font + 0.5 * font) + 2 * font +
           textWidth(cr, "Reference: " + name(data.reference)) +
           textWidth(cr, "Comparison: " + name(data.comparison));
}

// A name along the left margin, reading upwards, when it fits the panel's height.
void drawAxisName(cairo_t* cr, const std::string& name, double x, const Rect& area) {
    if (textWidth(cr, name) > area.height) return;
    drawUpwardText(cr, name, x, area.top + area.height / 2);
}

}  // namespace

void drawHeadings(cairo_t* cr, const FigureLayout& layout, const std::array<Rect, 3>& dataAreas,
                  const FigureData& data) {
    const double font = layout.font;
    const double gap = 1.5 * font;
    const Rect& plot = layout.plots[0];
    selectFigureFont(cr, font);
    useColour(cr, inkColour);

    // Means: the legend names the sets in full when it can (within 70 per cent of the width),
    // the heading takes what is left.
    const double legendWanted =
        std::max(legendWidth(cr, data, font, false),
                 std::min(legendWidth(cr, data, font, true), plot.width * 0.7));
    const std::string meansHeading =
        headingFor(cr, "Mean of each set, with \u00B1 1 standard deviation", "Means",
                   plot.width - gap - legendWanted);
    drawText(cr, meansHeading, plot.left, layout.headingTop[0], Align::start, Align::start);
    const double headingWidth = textWidth(cr, meansHeading);
    drawLegend(cr, plot.right(), layout.headingTop[0],
               plot.width - (headingWidth > 0 ? headingWidth + gap : 0), data, font);

    const std::string differenceHeading =
        headingFor(cr,
                   "Difference reference \u2212 comparison, with \u00B1 critical difference "
                   "(outside it: significant)",
                   "Difference", plot.width);
    useColour(cr, inkColour);
    drawText(cr, differenceHeading, plot.left, layout.headingTop[1], Align::start, Align::start);

    // t: the summary (verdict and counts) first, in bold, at the right.
    selectFigureFont(cr, font, true);
    const std::string summary = fitFromStart(cr, summaryText(data), plot.width);
    const double summaryWidth = textWidth(cr, summary);
    drawText(cr, summary, plot.right(), layout.headingTop[2], Align::end, Align::start);
    selectFigureFont(cr, font);
    const double room = plot.width - (summaryWidth > 0 ? summaryWidth + gap : 0);
    drawText(cr, headingFor(cr, tHeadingText(data.confidencePercent), "t", room), plot.left,
             layout.headingTop[2], Align::start, Align::start);

    const std::string unit = lsbUnitText(data.bitsPerSample);
    const double nameX = 1.2 * font;
    drawAxisName(cr, unit, nameX, dataAreas[0]);
    drawAxisName(cr, unit, nameX, dataAreas[1]);
    drawAxisName(cr, "t", nameX, dataAreas[2]);

    selectFigureFont(cr, layout.titleFont, true);
    const std::string title = data.title.empty() ? "Comparison of two sets" : data.title;
    drawText(cr, fitFromStart(cr, title, plot.right() - plot.left), plot.left, layout.titleTop,
             Align::start, Align::start);
    selectFigureFont(cr, font);
}

}  // namespace trellmark
