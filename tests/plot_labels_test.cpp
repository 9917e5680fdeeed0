#include <cairo.h>
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "plot/figure_headings.hpp"
#include "plot/figure_layout.hpp"
#include "plot/figure_texts.hpp"
#include "plot/label_placement.hpp"
#include "plot/plot_text.hpp"

namespace trellmark {
namespace {

using Lefts = std::vector<std::optional<double>>;

TEST(PlotLabels, EachLabelGoesOverItsAnchorOrNowhere) {
    struct Case {
        const char* name;
        std::vector<LabelRequest> requests;
        std::vector<LabelSpan> reserved;
        Lefts lefts;
    };
    // From 0 to 100, at least 2 apart.
    const std::vector<Case> cases = {
        {"centred", {{50, 10}}, {}, {45.0}},
        {"moved inside at either end", {{2, 10}, {99, 10}}, {}, {0.0, 90.0}},
        {"a later label that would touch an earlier one is left out",
         {{50, 10}, {58, 10}, {67, 10}},
         {},
         {45.0, std::nullopt, 62.0}},
        {"exactly the gap apart is enough", {{50, 10}, {62, 10}}, {}, {45.0, 57.0}},
        {"a hair less is not", {{50, 10}, {61.9, 10}}, {}, {45.0, std::nullopt}},
        {"the first asked wins", {{58, 10}, {50, 10}}, {}, {53.0, std::nullopt}},
        {"never over a reserved span", {{85, 10}, {20, 10}}, {{80, 100}}, {std::nullopt, 15.0}},
        {"wider than the line", {{50, 120}, {50, 10}}, {}, {std::nullopt, 45.0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(placeLabels(c.requests, c.reserved, 0, 100, 2), c.lefts) << c.name;
    }
}

TEST(PlotLabels, ManyCrowdedLabelsNeverOverlap) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> anchor(-50, 1050);
    std::uniform_real_distribution<double> width(5, 120);
    std::vector<LabelRequest> requests;
    for (int i = 0; i < 400; ++i) requests.push_back({anchor(random), width(random)});
    const std::vector<LabelSpan> reserved = {{900, 1000}};
    const Lefts lefts = placeLabels(requests, reserved, 0, 1000, 3);
    std::vector<LabelSpan> placed = reserved;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        if (!lefts[i]) continue;
        const LabelSpan span{*lefts[i], *lefts[i] + requests[i].width};
        EXPECT_GE(span.left, 0);
        EXPECT_LE(span.right, 1000);
        for (const LabelSpan& other : placed) {
            EXPECT_TRUE(span.right + 3 <= other.left || other.right + 3 <= span.left)
                << "label " << i << " at " << span.left;
        }
        placed.push_back(span);
    }
    EXPECT_GT(placed.size(), 5u);  // the test would pass vacuously if nothing were placed
}

TEST(PlotLabels, PValuesSayWhatIsKnown) {
    struct Case {
        double p;
        std::optional<std::string> text;
    };
    for (const Case& c : std::vector<Case>{
             {1.0 / 1001, "p = 0.000999"},  // the smallest of 1000 random splits
             {2.0 / 252, "p = 0.00794"},    // 2 of the 252 splits of 5 + 5 takes
             {0.0342, "p = 0.0342"},
             {0.001, "p = 0.001"},
             {0.5, "p = 0.5"},
             {1, "p = 1"},
             {1.0 / 10001, "p = 0.0001"},
             {1.0 / 100001, "p = 1e-05"},
             {std::numeric_limits<double>::quiet_NaN(), std::nullopt},
         }) {
        EXPECT_EQ(pValueText(c.p), c.text) << c.p;
    }
    EXPECT_EQ(clusterLegendText(0.05), "Clusters, p < 0.5; labelled: p < 0.05");
    EXPECT_EQ(clusterLegendText(0.01), "Clusters, p < 0.5; labelled: p < 0.01");
    EXPECT_EQ(clusterLegendText(0), "Clusters, p < 0.5");
}

// Every panel's heading stays whole at the default size and at 800 x 500 with the longest texts a
// run gives; the summary and the legend's names give way instead, and everything fits the page.
TEST(PlotLabels, HeadingsStayWholeAndTheVerdictGivesWay) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 10, 10);
    cairo_t* cr = cairo_create(surface);
    const std::vector<double> window(2'646'000, 0.0);
    FigureData data;
    data.referenceMean = window;
    data.reference = {"/recordings/a very long directory name/amplifier A/session 2", "take"};
    data.comparison = {"/recordings/a very long directory name/amplifier B/session 2", "take"};
    data.confidencePercent = 95;
    data.clusters = {{1, 2, 3, 0.01}};
    data.significantCount = 1'234'567;
    data.expectedByChance = 132'300;
    data.verdict = "the sets do not differ detectably (smallest cluster p = 0.0625)";
    const std::string facts =
        "Indices 1234567 to 1299999 (offsets 1252207 to 1317639), 65433 samples, "
        "mass \u2212123456.7, p = "
        "0.000999; mean difference \u221241.1 LSB (\u221238.4 dB re reference RMS)";
    const PanelHeadings full = panelHeadings(data, false, facts, true);

    struct Size {
        int width, height;
        bool summaryWhole;
    };
    for (const Size& size : {Size{1600, 1000, false}, Size{800, 500, false}}) {
        const double font = figureFontSize(size.width, size.height);
        selectFigureFont(cr, font);
        const double margin = 2.6 * font + textWidth(cr, "\u221210000") + 0.5 * font;
        const FigureLayout layout = layoutFigure(size.width, size.height, font, margin, true);
        const FittedHeadings fitted = fitHeadings(cr, layout.plots[0].width, font, full, data);
        const std::string where = std::to_string(size.width) + "x" + std::to_string(size.height);
        EXPECT_EQ(fitted.headings.means, full.means) << where;
        EXPECT_EQ(fitted.headings.difference, full.difference) << where;
        EXPECT_EQ(fitted.headings.t, full.t) << where;
        EXPECT_EQ(fitted.headings.zoom, full.zoom) << where;
        EXPECT_EQ(fitted.headings.zoomFacts, full.zoomFacts) << where;
        // The summary keeps its start: what the verdict is.
        EXPECT_EQ(fitted.summary == summaryText(data), size.summaryWhole) << where;
        EXPECT_EQ(fitted.summary.rfind("Verdict: the sets do not differ", 0), 0u) << where;
        EXPECT_NE(fitted.referenceName, setLabelText(data.reference)) << where;  // shortened
        // The t heading and the summary share a line without meeting.
        selectFigureFont(cr, font, true);
        const double summaryWidth = textWidth(cr, fitted.summary);
        selectFigureFont(cr, font);
        EXPECT_LE(textWidth(cr, fitted.headings.t) + 1.5 * font + summaryWidth,
                  layout.plots[0].width)
            << where;
        // The zoom's scale below its last panel still lies on the page.
        EXPECT_LE(layout.plots[zoomDifferencePanel].bottom() + 1.8 * font, size.height) << where;
        EXPECT_LT(layout.plots[2].bottom(), layout.captionTop) << where;
        EXPECT_LT(layout.captionTop + 1.5 * font, layout.headingTop[zoomPanel]) << where;
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

}  // namespace
}  // namespace trellmark
