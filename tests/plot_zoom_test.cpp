#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "plot/figure_zoom.hpp"

namespace trellmark {
namespace {

constexpr double none = std::numeric_limits<double>::quiet_NaN();

struct ZoomCase {
    const char* name;
    std::size_t count;
    std::vector<FigureCluster> clusters;
    std::vector<std::pair<std::size_t, double>> differences;  // all others are 0
    std::optional<std::int64_t> first, last, viewFirst, viewLast;
    bool onCluster;
};

TEST(PlotZoom, ChoosesTheStrongestMarkedClusterOrTheLargestDifferenceAndKeepsItsViewInside) {
    const std::vector<ZoomCase> cases = {
        // 10 samples: a view of 96 (more than 3 x 10), the cluster 43 from its left end.
        {"short cluster", 1000, {{100, 109, 50, 0.01}}, {}, 100, 109, 57, 152, true},
        // 100 samples: its own length on each side.
        {"long cluster", 1000, {{200, 299, 900, 0.01}}, {}, 200, 299, 100, 399, true},
        {"at the start", 1000, {{0, 4, 9, 0.01}}, {}, 0, 4, 0, 95, true},
        {"at the end", 1000, {{995, 999, 9, 0.01}}, {}, 995, 999, 904, 999, true},
        {"whole window", 1000, {{0, 999, 9, 0.01}}, {}, 0, 999, 0, 999, true},
        {"smallest p wins",
         1000,
         {{10, 19, 80, 0.01}, {600, 601, 3, 0.001}},
         {},
         600,
         601,
         553,
         648,
         true},
        {"equal p: larger |mass|",
         1000,
         {{10, 19, 50, 0.01}, {600, 609, -80, 0.01}},
         {},
         600,
         609,
         557,
         652,
         true},
        // Not marked (p of 0.5 or more, or unknown): the largest |difference| instead.
        {"no marked cluster",
         1000,
         {{10, 19, 50, 0.5}, {30, 31, 5, none}},
         {{20, 5}, {500, -7}, {700, 6.5}},
         500,
         500,
         453,
         548,
         false},
        {"first of equal differences", 1000, {}, {{20, -7}, {500, 7}}, 20, 20, 0, 95, false},
        {"window below the view", 40, {}, {{10, 3}}, 10, 10, 0, 39, false},
        {"cluster past the window's end", 50, {{40, 60, 9, 0.01}}, {}, 40, 49, 0, 49, true},
        {"empty window", 0, {}, {}, std::nullopt, std::nullopt, std::nullopt, std::nullopt, false},
    };
    for (const ZoomCase& c : cases) {
        std::vector<double> means(c.count, 0.0);
        std::vector<double> difference(c.count, 0.0);
        for (const auto& [index, value] : c.differences) difference[index] = value;
        FigureData data;
        data.referenceMean = means;
        data.difference = difference;
        data.clusters = c.clusters;
        const std::optional<FigureZoom> zoom = chooseZoom(data);
        ASSERT_EQ(zoom.has_value(), c.first.has_value()) << c.name;
        if (!zoom) continue;
        EXPECT_EQ(zoom->first, *c.first) << c.name;
        EXPECT_EQ(zoom->last, *c.last) << c.name;
        EXPECT_EQ(zoom->viewFirst, *c.viewFirst) << c.name;
        EXPECT_EQ(zoom->viewLast, *c.viewLast) << c.name;
        EXPECT_EQ(zoom->cluster.has_value(), c.onCluster) << c.name;
    }
}

TEST(PlotZoom, DecibelsOfTheDifferenceAgainstTheReferenceRms) {
    struct Case {
        double difference, rms;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{
             {41.1, 4110, "\u221240.0 dB"},
             {1, 10, "\u221220.0 dB"},
             {-10, 1, "20.0 dB"},  // the size of the difference, whatever its sign
             {0, 5, "\u2212\u221E dB"},
             {1, 0, ""},
             {none, 1, ""},
             {1, none, ""},
         }) {
        EXPECT_EQ(decibelText(c.difference, c.rms), c.text) << c.difference << " " << c.rms;
    }
}

TEST(PlotZoom, FactsAreComputedFromTheMeansOverTheCluster) {
    // Over indices 1 and 2: differences 2 and 0 (mean 1), reference RMS sqrt((9 + 16) / 2);
    // 20 log10(1 / 3.5355) = -10.969 (numpy). Index 0 and 3 lie outside and do not count.
    const std::vector<double> reference = {100, 3, -4, 100};
    const std::vector<double> comparison = {0, 1, -4, 0};
    const std::vector<double> difference = {100, 2, 0, 100};
    FigureData data;
    data.referenceMean = reference;
    data.comparisonMean = comparison;
    data.difference = difference;
    data.startOffset = 10;
    data.clusters = {{1, 2, 12.34, 1.0 / 1001}};
    const std::optional<FigureZoom> zoom = chooseZoom(data);
    ASSERT_TRUE(zoom);
    const ZoomFigures figures = zoomFigures(data, *zoom);
    EXPECT_DOUBLE_EQ(figures.meanDifference, 1);
    EXPECT_DOUBLE_EQ(figures.referenceRms, std::sqrt(12.5));
    EXPECT_EQ(zoomFactsText(data, *zoom),
              "Indices 1 to 2 (offsets 11 to 12), 2 samples, mass 12.3, p = "
              "0.000999; mean difference "
              "1.0 LSB (\u221211.0 dB re reference RMS)");

    data.clusters = {{1, 1, -3, 0.04}};
    EXPECT_EQ(zoomFactsText(data, *chooseZoom(data)),
              "Indices 1 to 1 (offsets 11 to 11), 1 sample, mass \u22123.0, p = "
              "0.04; mean difference "
              "2.0 LSB (\u22123.5 dB re reference RMS)");
    data.clusters.clear();
    EXPECT_EQ(zoomFactsText(data, *chooseZoom(data)),
              "Index 0 (offset 10): 100.0 LSB (0.0 dB re reference RMS)");
}

}  // namespace
}  // namespace trellmark
