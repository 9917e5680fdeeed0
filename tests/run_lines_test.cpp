#include "report/run_lines.hpp"

#include <gtest/gtest.h>

#include <string>

#include "console/console.hpp"
#include "dialogue/console_target.hpp"
#include "support/screen_rows.hpp"
#include "support/scripted_keys.hpp"

namespace trellmark {
namespace {

// The lines a run shows, as the console shows them. The summary starts on row
// 3 of a screen cleared in light grey on bright white, so cells the summary
// never writes show up as "7" in the colour rows.
struct ConsoleResults : ::testing::Test {
    void SetUp() override {
        setColour(console, 7, brightWhite);
        clearScreen(console);
        newLine(console);
        newLine(console);
        newLine(console);
        useLabelColours(console);
    }

    ComparisonResult result(std::int32_t count, double largest, double accumulated) {
        ComparisonResult r;
        r.significantCount = count;
        r.largestDifference = largest;
        r.accumulatedDifference = accumulated;
        return r;
    }

    // The figure text from column 70 to the end of the row, trailing blanks cut
    // only where the test says so.
    std::string fromColumn70(int row) const { return rowString(console.screen, row).substr(70); }

    void printComparisonSummary(const ComparisonResult& r, std::int32_t length, std::int16_t bits) {
        writeComparisonSummary(out, r, length, bits);
    }

    ScriptedKeys keys;
    Console console{keys, nullptr};
    ConsoleTarget out{console};
};

std::string padded(const std::string& text) {
    return text + std::string(120 - text.size(), ' ');
}

TEST_F(ConsoleResults, ExampleRowsAndColours) {
    printComparisonSummary(result(17, 2.5, 12.5), 100, 16);
    const Screen& screen = console.screen;

    EXPECT_EQ(rowString(screen, 3),
              padded("   Number of statistically significant sample differences:"
                     "             17 "));
    EXPECT_EQ(rowString(screen, 4), padded("   Largest single sample difference:"
                                           "                                   2.5 LSB, 16 bit"));
    EXPECT_EQ(rowString(screen, 5),
              padded("   Average per sample difference:"
                     "                                      .12 LSB, 16 bit"));
    EXPECT_EQ(rowString(screen, 6), padded("   Accumulated difference:"
                                           "                                             12.5 "
                                           "LSB, 16 bit"));
    EXPECT_EQ(fromColumn70(3).substr(0, 4), " 17 ");
    EXPECT_EQ(fromColumn70(4).substr(0, 16), " 2.5 LSB, 16 bit");
    EXPECT_EQ(fromColumn70(5).substr(0, 16), " .12 LSB, 16 bit");
    EXPECT_EQ(fromColumn70(6).substr(0, 17), " 12.5 LSB, 16 bit");

    // Label and zone blanks in the label colours, the figure in the value
    // colours, nothing written past it.
    const std::string label(70, '8');
    EXPECT_EQ(foregroundRow(screen, 3), label + std::string(4, '0') + std::string(46, '7'));
    EXPECT_EQ(foregroundRow(screen, 4), label + std::string(16, '0') + std::string(34, '7'));
    EXPECT_EQ(foregroundRow(screen, 5), label + std::string(16, '0') + std::string(34, '7'));
    EXPECT_EQ(foregroundRow(screen, 6), label + std::string(17, '0') + std::string(33, '7'));
    for (int row = 3; row <= 6; ++row)
        EXPECT_TRUE(cellsHaveColours(screen, row, 0, 69, darkGrey, brightWhite));

    // Two empty rows, then the cursor at column 0 in the label colours.
    EXPECT_EQ(rowString(screen, 7), std::string(120, ' '));
    EXPECT_EQ(rowString(screen, 8), std::string(120, ' '));
    EXPECT_EQ(screen.cursorColumn, 0);
    EXPECT_EQ(screen.cursorRow, 9);
    EXPECT_EQ(screen.foreground, darkGrey);
    EXPECT_EQ(screen.background, brightWhite);
    EXPECT_EQ(rowString(screen, 2), std::string(120, ' '));
}

TEST_F(ConsoleResults, NoSignificantSample) {
    printComparisonSummary(result(0, 0, 0), 100, 24);
    EXPECT_EQ(fromColumn70(3), padded(" 0 ").substr(0, 50));
    EXPECT_EQ(fromColumn70(4), padded(" 0 LSB, 24 bit").substr(0, 50));
    EXPECT_EQ(fromColumn70(5), padded(" 0 LSB, 24 bit").substr(0, 50));
    EXPECT_EQ(fromColumn70(6), padded(" 0 LSB, 24 bit").substr(0, 50));
}

TEST_F(ConsoleResults, AverageIsOverTheWholeLength) {
    // 0.4 / 100 is below 0.005 and prints as 0; the largest difference rounds
    // from its stored double (2.675 lies below the half).
    printComparisonSummary(result(3, 2.675, 0.4), 100, 16);
    EXPECT_EQ(fromColumn70(4).substr(0, 17), " 2.67 LSB, 16 bit");
    EXPECT_EQ(fromColumn70(5).substr(0, 15), " 0 LSB, 16 bit ");
    EXPECT_EQ(fromColumn70(6).substr(0, 16), " .4 LSB, 16 bit ");
}

TEST_F(ConsoleResults, ZeroLengthAverageIsZeroAndNegativeLengthKeepsTheSign) {
    printComparisonSummary(result(0, 0, 0), 0, 16);
    EXPECT_EQ(fromColumn70(5).substr(0, 15), " 0 LSB, 16 bit ");
    printComparisonSummary(result(1, 12.5, 12.5), -100, 16);
    EXPECT_EQ(fromColumn70(11).substr(0, 17), "-.12 LSB, 16 bit ");
}

TEST_F(ConsoleResults, WidestFiguresStayOnTheirRow) {
    printComparisonSummary(result(-2147483647 - 1, -1.2345678901234567e308, 0), 1, -32768);
    EXPECT_EQ(fromColumn70(3).substr(0, 13), "-2147483648  ");
    EXPECT_EQ(fromColumn70(4), padded("-1.23456789012346E+308 LSB,-32768 bit").substr(0, 50));
    EXPECT_EQ(trimmedRow(console.screen, 5),
              "   Average per sample difference:"
              "                                      0 LSB,-32768 bit");
    EXPECT_EQ(console.screen.cursorRow, 9);
}

TEST_F(ConsoleResults, BitDepthIsTheOneGiven) {
    printComparisonSummary(result(17, 2.5, 12.5), 100, 8);
    EXPECT_EQ(fromColumn70(6).substr(0, 16), " 12.5 LSB, 8 bit");
}

TEST_F(ConsoleResults, ProgressLinesInTheCurrentColours) {
    writeReadingLine(out, "/data/r1.wav");
    writeNoteLine(out, FileNote::none);  // prints nothing
    useValueColours(console);
    writeReadingLine(out, "/data/gone.wav");
    writeNoteLine(out, FileNote::cannotOpen);
    writeComparingLine(out);
    writeFileCountLine(out, 12);
    const Screen& screen = console.screen;
    EXPECT_EQ(trimmedRow(screen, 3), "   Reading /data/r1.wav");
    EXPECT_EQ(foregroundRow(screen, 3).substr(0, 23), std::string(23, '8'));
    EXPECT_EQ(trimmedRow(screen, 4), "   Reading /data/gone.wav");
    EXPECT_EQ(foregroundRow(screen, 4).substr(0, 25), std::string(25, '0'));
    EXPECT_EQ(trimmedRow(screen, 5), "   This file cannot be opened; it is taken as silence.");
    EXPECT_TRUE(cellsHaveColours(screen, 5, 0, 53, darkGrey, brightWhite));
    EXPECT_EQ(trimmedRow(screen, 6), "   Comparing data...");
    EXPECT_EQ(trimmedRow(screen, 7), "");
    EXPECT_EQ(trimmedRow(screen, 8), "   There are 12 .wav files matching this description");
    EXPECT_EQ(trimmedRow(screen, 9), "");
    EXPECT_EQ(screen.cursorRow, 10);
    EXPECT_EQ(screen.cursorColumn, 0);
}

TEST(FileCountLine, ZeroAndAThousand) {
    ScriptedKeys keys;
    Console console{keys, nullptr};
    ConsoleTarget out{console};
    writeFileCountLine(out, 0);
    writeFileCountLine(out, 1000);
    EXPECT_EQ(trimmedRow(console.screen, 0), "   There are 0 .wav files matching this description");
    EXPECT_EQ(trimmedRow(console.screen, 2),
              "   There are 1000 .wav files matching this description");
    EXPECT_EQ(console.screen.cursorRow, 4);
}

}  // namespace
}  // namespace trellmark
