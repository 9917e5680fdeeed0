#include "terminal/palette_colours.hpp"

#include <gtest/gtest.h>

namespace trellmark {
namespace {

TEST(TerminalColour, SwapsRedAndBlueKeepsBrightness) {
    const short expected[16] = {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15};
    for (int palette = 0; palette < 16; ++palette) {
        EXPECT_EQ(terminalColour(static_cast<std::uint8_t>(palette)), expected[palette])
            << "palette " << palette;
    }
    EXPECT_EQ(terminalColour(0x1F), 15);  // only the low four bits count
}

TEST(TerminalStyle, SixteenColoursShowThePaletteAsItIs) {
    const TerminalStyle value = terminalStyle(0, 15, 16);
    EXPECT_EQ(value.foreground, 0);
    EXPECT_EQ(value.background, 15);
    EXPECT_FALSE(value.bold);

    const TerminalStyle label = terminalStyle(8, 15, 256);
    EXPECT_EQ(label.foreground, 8);
    EXPECT_EQ(label.background, 15);
    EXPECT_FALSE(label.bold);

    EXPECT_EQ(terminalStyle(1, 12, 16).foreground, 4);
    EXPECT_EQ(terminalStyle(1, 12, 16).background, 9);
}

TEST(TerminalStyle, EightColoursKeepLabelsApartFromValues) {
    const TerminalStyle value = terminalStyle(0, 15, 8);
    EXPECT_EQ(value.foreground, 0);
    EXPECT_EQ(value.background, 7);
    EXPECT_FALSE(value.bold);

    const TerminalStyle label = terminalStyle(8, 15, 8);
    EXPECT_EQ(label.foreground, 0);
    EXPECT_EQ(label.background, 7);
    EXPECT_TRUE(label.bold);

    const TerminalStyle blue = terminalStyle(9, 1, 15);
    EXPECT_EQ(blue.foreground, 4);
    EXPECT_EQ(blue.background, 4);
    EXPECT_TRUE(blue.bold);
}

TEST(TerminalStyle, WithoutColoursTheTerminalsOwnStay) {
    for (int count : {0, 2, 7}) {
        const TerminalStyle style = terminalStyle(8, 15, count);
        EXPECT_EQ(style.foreground, -1);
        EXPECT_EQ(style.background, -1);
        EXPECT_FALSE(style.bold);
    }
}

}  // namespace
}  // namespace trellmark
