#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "plot/panel_traces.hpp"

namespace trellmark {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// A white 120 x 60 image with a panel area of 100 x 40 at (10, 10), values -1 .. 1.
class PlotTraces : public ::testing::Test {
  protected:
    void SetUp() override {
        surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 120, 60);
        cr_ = cairo_create(surface_);
        clear();
    }
    // White again, black ink, lines one unit wide.
    void clear() {
        cairo_set_source_rgb(cr_, 1, 1, 1);
        cairo_paint(cr_);
        cairo_set_source_rgb(cr_, 0, 0, 0);
        cairo_set_line_width(cr_, 1);
    }
    void TearDown() override {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    PlotFrame frame(std::size_t count) const { return {{10, 10, 100, 40}, 500, count, {-1, 1}}; }

    // The blue channel of a pixel: 255 where nothing was drawn, as everything is grey.
    int blue(int x, int y) {
        cairo_surface_flush(surface_);
        const unsigned char* data = cairo_image_surface_get_data(surface_);
        const int stride = cairo_image_surface_get_stride(surface_);
        std::uint32_t pixel = 0;
        std::memcpy(&pixel, data + y * stride + x * 4, 4);
        return static_cast<int>(pixel & 0xFF);
    }
    // Clearly darker than white: covered by more than a stray edge of a line.
    bool inked(int x, int y) { return blue(x, y) < 0xC0; }
    bool columnInked(int x, int fromY, int toY) {
        for (int y = fromY; y <= toY; ++y) {
            if (inked(x, y)) return true;
        }
        return false;
    }

    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
};

TEST_F(PlotTraces, SingleSamplesAtEitherEndOfALongWindowReachTheirValue) {
    // Dense columns are drawn as bars, sparse ones (under 4 samples) as a line through them.
    for (std::size_t count : {10000u, 300u, 101u}) {
        SCOPED_TRACE(count);
        clear();
        std::vector<double> values(count, 0.0);
        values.front() = -0.9;  // y = 48
        values.back() = 0.9;    // y = 12
        values[count / 2] = 0.9;
        const PlotFrame f = frame(values.size());
        ASSERT_FALSE(f.perSample());
        strokeTrace(cr_, f, columnExtremes(values, f.columns()));
        EXPECT_TRUE(inked(10, 47));
        EXPECT_TRUE(inked(109, 13));
        EXPECT_TRUE(inked(60, 13));
        EXPECT_FALSE(columnInked(30, 11, 27));  // zeros only: near y = 30
        EXPECT_TRUE(inked(30, 30));
        EXPECT_EQ(cairo_status(cr_), CAIRO_STATUS_SUCCESS);
    }
}

TEST_F(PlotTraces, NotANumberLeavesAGapAndInfinityStopsAtTheEdge) {
    std::vector<double> values(50, 0.5);  // 2 units a sample; 0.5 is at y = 20
    for (std::size_t i = 20; i < 30; ++i) values[i] = nan;
    values[40] = infinity;
    values[45] = -infinity;
    const PlotFrame f = frame(values.size());
    ASSERT_TRUE(f.perSample());
    strokeTrace(cr_, f, columnExtremes(values, f.columns()));
    EXPECT_TRUE(inked(30, 20));             // sample 9 or 10
    EXPECT_FALSE(columnInked(60, 10, 49));  // sample 25: nothing, not even at zero
    EXPECT_FALSE(columnInked(52, 10, 49));  // sample 21
    EXPECT_TRUE(inked(91, 10));             // sample 40 runs to the top edge
    EXPECT_TRUE(inked(101, 49));            // sample 45 to the bottom edge
    EXPECT_FALSE(inked(91, 7));             // and no further
    EXPECT_EQ(cairo_status(cr_), CAIRO_STATUS_SUCCESS);
}

TEST_F(PlotTraces, ALoneSampleBetweenGapsIsADot) {
    std::vector<double> values(50, nan);
    values[25] = 0;  // x = 10 + 25.5 * 2 = 61, y = 30
    const PlotFrame f = frame(values.size());
    cairo_set_line_width(cr_, 3);
    strokeTrace(cr_, f, columnExtremes(values, f.columns()));
    EXPECT_TRUE(inked(61, 30));
}

TEST_F(PlotTraces, BandsStopAtMissingValues) {
    std::vector<double> lower(10000, -0.5);
    std::vector<double> upper(10000, 0.5);
    for (std::size_t i = 4000; i < 6000; ++i) upper[i] = nan;  // columns 40 .. 59
    const PlotFrame f = frame(lower.size());
    fillBand(cr_, f, columnExtremes(lower, f.columns()), columnExtremes(upper, f.columns()));
    EXPECT_TRUE(inked(20, 30));
    EXPECT_TRUE(inked(49, 30));   // column 39
    EXPECT_FALSE(inked(50, 30));  // column 40
    EXPECT_FALSE(inked(69, 30));  // column 59
    EXPECT_TRUE(inked(70, 30));
    EXPECT_FALSE(inked(20, 17));  // beyond the band: 0.5 is at y = 20
}

TEST_F(PlotTraces, ShadingCoversEveryColumnWithAMarkedIndex) {
    std::vector<double> shares(100, 0.0);
    shares[0] = 0.001;
    shares[99] = 1;
    const PlotFrame f = frame(10000);
    shadeEntries(cr_, f, shares, Colour{0, 0, 0});
    EXPECT_LT(blue(10, 30), 255);  // faint, yet there
    EXPECT_LT(blue(109, 30), blue(10, 30));
    EXPECT_EQ(blue(11, 30), 255);
    EXPECT_EQ(blue(108, 30), 255);
}

}  // namespace
}  // namespace trellmark
