#pragma once
// The words around the panels: the title, each panel's heading, the legend, the run's summary
// and the names of the value axes.

#include <cairo.h>

#include <array>
#include <string>

#include "plot/figure_data.hpp"
#include "plot/figure_layout.hpp"

namespace trellmark {

// The panels' headings in full, before anything is fitted to the page.
struct PanelHeadings {
    std::string means;  // the overview's
    std::string difference;
    std::string t;
    std::string zoom;       // the zoom panel's first line; empty when there is no zoom
    std::string zoomFacts;  // and its second
};

// The headings of this figure: the overview's words depend on whether each sample has a pixel
// column of its own (perSample); the zoom's name what it shows.
PanelHeadings panelHeadings(const FigureData& data, bool perSample, const std::string& zoomFacts,
                            bool onCluster);

// What is drawn on the heading lines after fitting, in the current font: each heading in full
// when it fits the panel's width (else its short form, else shortened), the legend's set names
// and the summary (verdict and counts) shortened into the room the headings leave.
struct FittedHeadings {
    PanelHeadings headings;
    std::string referenceName;
    std::string comparisonName;
    std::string summary;
};
FittedHeadings fitHeadings(cairo_t* cr, double plotWidth, double font, const PanelHeadings& full,
                           const FigureData& data);

// Draws the fitted headings into the places the layout keeps; dataAreas are the panels' value
// areas (the t panel's lies below its cluster strip).
void drawHeadings(cairo_t* cr, const FigureLayout& layout, const std::array<Rect, 5>& dataAreas,
                  const FigureData& data, const PanelHeadings& headings);

}  // namespace trellmark
