#include <cairo.h>
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "plot/figure_texts.hpp"
#include "plot/plot_text.hpp"
#include "plot/svg_ids.hpp"

namespace trellmark {
namespace {

TEST(PlotTexts, SummaryGivesWhatTheRunHas) {
    const std::vector<double> window(44100, 0.0);
    FigureData data;
    data.referenceMean = window;
    EXPECT_EQ(summaryText(data), "");
    data.verdict = "differ";
    EXPECT_EQ(summaryText(data), "Verdict: differ");
    data.significantCount = 120;
    EXPECT_EQ(summaryText(data), "Verdict: differ; 120 of 44100 samples significant");
    data.expectedByChance = 2205;
    EXPECT_EQ(summaryText(data),
              "Verdict: differ; 120 of 44100 samples significant, 2205 expected by chance");
    data.verdict.clear();
    data.expectedByChance = 2205.05;
    EXPECT_EQ(summaryText(data), "120 of 44100 samples significant, 2205.1 expected by chance");
    data.significantCount.reset();
    EXPECT_EQ(summaryText(data), "2205.1 expected by chance");
}

TEST(PlotTexts, NumbersAndNames) {
    EXPECT_EQ(expectedCountText(441), "441");
    EXPECT_EQ(expectedCountText(0.25), "0.2");  // the nearest tenth, ties to even
    EXPECT_EQ(expectedCountText(std::numeric_limits<double>::quiet_NaN()), "?");
    EXPECT_EQ(setLabelText({"/rec/ampA", "take"}), "/rec/ampA/take");
    EXPECT_EQ(setLabelText({"/rec/ampA/", "take"}), "/rec/ampA/take");
    EXPECT_EQ(setLabelText({"", "take"}), "take");
    EXPECT_EQ(setLabelText({"/rec", ""}), "/rec");
    EXPECT_EQ(lsbUnitText(24), "LSB at 24 bit");
    EXPECT_EQ(lsbUnitText(0), "LSB");
    EXPECT_EQ(tHeadingText(99), "t, with \u00B1 critical t at 99 %; shaded: significant samples");
    EXPECT_EQ(tHeadingText(0), "t, with \u00B1 critical t; shaded: significant samples");
}

TEST(PlotTexts, InvalidUtf8AndControlCharactersBecomeReplacementCharacters) {
    const std::string r = "\uFFFD";
    struct Case {
        std::string in, out;
    };
    for (const Case& c : std::vector<Case>{
             {"plain/dir", "plain/dir"},
             {"caf\xC3\xA9 \xE2\x80\x93 \xF0\x9F\x8E\xB5",
              "caf\xC3\xA9 \xE2\x80\x93 \xF0\x9F\x8E\xB5"},
             {"a\xFF"
              "b",
              "a" + r + "b"},
             {"\xC3", r},                          // cut short
             {"\xC0\xAF", r + r},                  // overlong slash
             {"\xED\xA0\x80", r + r + r},          // a surrogate
             {"\xF4\x90\x80\x80", r + r + r + r},  // above U+10FFFF
             {"tab\there\n", "tab" + r + "here" + r},
             {"\xC2\x85", r},  // a C1 control
         }) {
        EXPECT_EQ(displayableText(c.in), c.out) << c.in;
    }
}

class PlotTextFitting : public ::testing::Test {
  protected:
    void SetUp() override {
        surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 10, 10);
        cr_ = cairo_create(surface_);
        selectFigureFont(cr_, 14);
    }
    void TearDown() override {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
};

TEST_F(PlotTextFitting, ShortenedTextFitsAndKeepsAsMuchAsFits) {
    const std::string ellipsis = "\u2026";
    const std::string text = "/home/m\xC3\xBCller/\xE2\x80\x9Crecordings\xE2\x80\x9D/ampA/take";
    const double full = textWidth(cr_, text);
    for (double share : {1.0, 0.9, 0.5, 0.2, 0.1}) {
        const double width = full * share;
        SCOPED_TRACE(width);
        const std::string end = fitFromEnd(cr_, text, width);
        const std::string start = fitFromStart(cr_, text, width);
        if (share == 1.0) {
            EXPECT_EQ(end, text);
            EXPECT_EQ(start, text);
            continue;
        }
        EXPECT_LE(textWidth(cr_, end), width);
        EXPECT_LE(textWidth(cr_, start), width);
        EXPECT_EQ(displayableText(end), end);  // never cut inside a character
        EXPECT_EQ(displayableText(start), start);
        ASSERT_TRUE(end.starts_with(ellipsis));
        ASSERT_TRUE(start.ends_with(ellipsis));
        const std::string kept = end.substr(ellipsis.size());
        const std::string begun = start.substr(0, start.size() - ellipsis.size());
        EXPECT_TRUE(text.ends_with(kept));
        EXPECT_TRUE(text.starts_with(begun));
        // One more character would not have fitted.
        std::size_t more = text.size() - kept.size() - 1;
        while ((static_cast<unsigned char>(text[more]) & 0xC0) == 0x80) --more;
        EXPECT_GT(textWidth(cr_, ellipsis + text.substr(more)), width);
        std::size_t longer = begun.size() + 1;
        while ((static_cast<unsigned char>(text[longer]) & 0xC0) == 0x80) ++longer;
        EXPECT_GT(textWidth(cr_, text.substr(0, longer) + ellipsis), width);
    }
    EXPECT_EQ(fitFromEnd(cr_, text, 1), "");
    EXPECT_EQ(fitFromStart(cr_, text, 1), "");
}

TEST(PlotSvgIds, SurfaceIdsAreNumberedInOrderOfAppearance) {
    const std::string svg =
        "<g id=\"surface26\"><use xlink:href=\"#surface30\"/></g><g id=\"surface30\"/>"
        "<use xlink:href=\"#surface26\"/><g id=\"glyph0-1\"/><g id=\"surfaceX\"/>surface5"
        "<path id=\"surface\"/>";
    EXPECT_EQ(renumberSurfaceIds(svg),
              "<g id=\"surface1\"><use xlink:href=\"#surface2\"/></g><g id=\"surface2\"/>"
              "<use xlink:href=\"#surface1\"/><g id=\"glyph0-1\"/><g id=\"surfaceX\"/>surface5"
              "<path id=\"surface\"/>");
}

}  // namespace
}  // namespace trellmark
