#include <gtest/gtest.h>

#include <string>

#include "plot/figure_file.hpp"
#include "plot/figure_size.hpp"

namespace trellmark {
namespace {

TEST(PlotFigureSize, ReadsTwoSidesWithinTheBounds) {
    struct Case {
        const char* text;
        int width, height;
    };
    for (const Case c : {Case{"1600x1000", 1600, 1000}, Case{"200x200", 200, 200},
                         Case{"20000x20000", 20000, 20000}, Case{"0800x0600", 800, 600}}) {
        SCOPED_TRACE(c.text);
        const auto size = parseFigureSize(c.text);
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(size->width, c.width);
        EXPECT_EQ(size->height, c.height);
    }
    EXPECT_EQ(FigureSize{}.width, 1600);
    EXPECT_EQ(FigureSize{}.height, 1000);
}

TEST(PlotFigureSize, RejectsAnythingElse) {
    for (const char* text : {"",
                             "x",
                             "1600x",
                             "x10",
                             "16OOx1000",
                             "0x10",
                             "1600x1000x10",
                             "199x1000",
                             "1600x199",
                             "20001x1000",
                             "1600X1000",
                             " 1600x1000",
                             "1600x1000 ",
                             "1600 x 1000",
                             "+1600x1000",
                             "-1600x1000",
                             "1600x-1000",
                             "1600.0x1000",
                             "99999999999999999999x1000",
                             "1600*1000",
                             "1600x1000px"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parseFigureSize(text).has_value());
    }
}

TEST(PlotFigureSize, FormatFollowsTheNamesEndingInAnyCase) {
    EXPECT_EQ(figureFormatFor("run.png"), FigureFormat::png);
    EXPECT_EQ(figureFormatFor("dir.pdf/run.PNG"), FigureFormat::png);
    EXPECT_EQ(figureFormatFor("run.Svg"), FigureFormat::svg);
    EXPECT_EQ(figureFormatFor("run.pdf"), FigureFormat::pdf);
    for (const char* name : {"run", "run.jpg", "run.png.txt", "png", "run.svgz", "", "run."}) {
        EXPECT_FALSE(figureFormatFor(name).has_value()) << name;
    }
}

}  // namespace
}  // namespace trellmark
