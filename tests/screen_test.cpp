#include "console/screen.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/screen_rows.hpp"

namespace trellmark {
namespace {

// Writes rows of one letter each ('A' for row 0, 'B' for row 1, ...) until the
// bottom row is full: the cursor then waits at column 0 of row 49.
Screen fullScreen() {
    Screen screen;
    for (int row = 0; row < screenRows; ++row) {
        screenWriteText(screen, std::string(screenColumns, static_cast<char>('A' + row % 26)));
    }
    return screen;
}

TEST(SplitCharacters, KeepsValidSequencesWholeAndSplitsEverythingElse) {
    using Parts = std::vector<std::string>;
    EXPECT_EQ(splitCharacters(""), Parts{});
    EXPECT_EQ(splitCharacters("a\r\n\t"), (Parts{"a", "\r", "\n", "\t"}));
    EXPECT_EQ(splitCharacters("\xC3\xA9x\xE2\x82\xAC\xF0\x9F\x98\x80"),
              (Parts{"\xC3\xA9", "x", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"}));
    // A lead byte without its continuation, and a stray continuation byte.
    EXPECT_EQ(splitCharacters("\xC3"
                              "a\x80"),
              (Parts{"\xC3", "a", "\x80"}));
    // A sequence cut short at the end of the text.
    EXPECT_EQ(splitCharacters("\xE2\x82"), (Parts{"\xE2", "\x82"}));
    // Overlong forms, a surrogate and a value above U+10FFFF are not characters.
    EXPECT_EQ(splitCharacters("\xC0\x80"), (Parts{"\xC0", "\x80"}));
    EXPECT_EQ(splitCharacters("\xE0\x80\x80"), (Parts{"\xE0", "\x80", "\x80"}));
    EXPECT_EQ(splitCharacters("\xED\xA0\x80"), (Parts{"\xED", "\xA0", "\x80"}));
    EXPECT_EQ(splitCharacters("\xF4\x90\x80\x80"), (Parts{"\xF4", "\x90", "\x80", "\x80"}));
    EXPECT_EQ(splitCharacters("\xF5\x80"), (Parts{"\xF5", "\x80"}));
    // The largest values that are valid.
    EXPECT_EQ(splitCharacters("\xED\x9F\xBF\xF4\x8F\xBF\xBF"),
              (Parts{"\xED\x9F\xBF", "\xF4\x8F\xBF\xBF"}));
}

TEST(ScreenOutput, ControlBytesAndMultiByteCharactersTakeOneCellEach) {
    Screen screen;
    screenWriteText(screen, "a\r\n\tb\xC3\xA9\xE2\x82\xAC\x80!");
    const char* expected[] = {"a", "\r", "\n", "\t", "b", "\xC3\xA9", "\xE2\x82\xAC", "\x80", "!"};
    for (int column = 0; column < 9; ++column) {
        EXPECT_EQ(screen.at(column, 0).text, expected[column]) << "column " << column;
    }
    EXPECT_EQ(screen.at(9, 0).text, " ");
    EXPECT_EQ(screen.cursorColumn, 9);
    EXPECT_EQ(screen.cursorRow, 0);
    EXPECT_EQ(trimmedRow(screen, 0), "a\r\n\tb\xC3\xA9\xE2\x82\xAC\x80!");
    EXPECT_EQ(trimmedRow(screen, 1), "");
}

TEST(ScreenOutput, CellsTakeTheCurrentColours) {
    Screen screen;
    screen.foreground = darkGrey;
    screenWriteText(screen, "ab");
    screen.foreground = black;
    screenWriteText(screen, "c");
    EXPECT_EQ(foregroundRow(screen, 0).substr(0, 4), "8800");
    EXPECT_TRUE(cellsHaveColours(screen, 0, 0, 1, darkGrey, brightWhite));
    EXPECT_TRUE(cellsHaveColours(screen, 0, 2, 119, black, brightWhite));
}

TEST(ScreenOutput, AFullRowWrapsAtOnceAndANewLineThenLeavesABlankRow) {
    Screen screen;
    screenWriteText(screen, std::string(120, 'x'));
    EXPECT_EQ(screen.cursorColumn, 0);
    EXPECT_EQ(screen.cursorRow, 1);
    EXPECT_FALSE(screen.pendingScroll);
    screenNewLine(screen);
    screenWriteText(screen, "next");
    EXPECT_EQ(rowString(screen, 0), std::string(120, 'x'));
    EXPECT_EQ(rowString(screen, 1), std::string(120, ' '));
    EXPECT_EQ(trimmedRow(screen, 2), "next");
}

TEST(ScreenOutput, TextLongerThanARowContinuesOnTheNext) {
    Screen screen;
    screenWriteText(screen, std::string(118, '-') + "abcd");
    EXPECT_EQ(rowString(screen, 0), std::string(118, '-') + "ab");
    EXPECT_EQ(trimmedRow(screen, 1), "cd");
    EXPECT_EQ(screen.cursorColumn, 2);
    EXPECT_EQ(screen.cursorRow, 1);
}

TEST(ScreenZones, AdvanceToTheNextMultipleOf14) {
    Screen screen;
    screenNextZone(screen);  // on a boundary: 14 blanks, never 0
    EXPECT_EQ(screen.cursorColumn, 14);
    screenNextZone(screen);
    EXPECT_EQ(screen.cursorColumn, 28);
    screenWriteText(screen, "abcdefghijklm");  // to column 41
    screenNextZone(screen);                    // one blank
    EXPECT_EQ(screen.cursorColumn, 42);
    EXPECT_EQ(screen.cursorRow, 0);
}

TEST(ScreenZones, ZoneBlanksOverwriteCellsInTheCurrentColours) {
    Screen screen;
    screenWriteText(screen, std::string(30, 'x'));
    screenNewLine(screen);
    screen.cursorRow = 0;
    screen.cursorColumn = 14;
    screen.foreground = darkGrey;
    screenNextZone(screen);
    EXPECT_EQ(rowString(screen, 0).substr(0, 30),
              std::string(14, 'x') + std::string(14, ' ') + "xx");
    EXPECT_TRUE(cellsHaveColours(screen, 0, 14, 27, darkGrey, brightWhite));
    EXPECT_TRUE(cellsHaveColours(screen, 0, 28, 29, black, brightWhite));
}

TEST(ScreenZones, AZoneFromColumn112WrapsOntoTheNextRow) {
    Screen screen;
    screenWriteText(screen, std::string(112, 'x'));
    screenNextZone(screen);  // 112 is a multiple of 14: 8 blanks here, 6 on the next row
    EXPECT_EQ(screen.cursorColumn, 6);
    EXPECT_EQ(screen.cursorRow, 1);
    EXPECT_EQ(trimmedRow(screen, 0), std::string(112, 'x'));
}

TEST(ScreenZones, FixedPromptsPutTheAnswerAtColumn71) {
    for (auto [promptLength, zones] : {std::pair{54, 2}, std::pair{18, 4}, std::pair{22, 4}}) {
        Screen screen;
        screenWriteText(screen, std::string(promptLength, 'p'));
        for (int i = 0; i < zones; ++i) screenNextZone(screen);
        screenWriteText(screen, " ");
        EXPECT_EQ(screen.cursorColumn, 71) << promptLength << " characters, " << zones << " zones";
        EXPECT_EQ(screen.cursorRow, 0);
        screenWriteText(screen, "A");
        EXPECT_EQ(rowString(screen, 0).find('A'), 71u);
    }
}

TEST(ScreenScroll, ReachingTheBottomRowScrollsOneRowAtATime) {
    Screen screen;
    for (int line = 0; line < 50; ++line) {
        if (line > 0) screenNewLine(screen);
        screenWriteText(screen, "line " + std::to_string(line));
    }
    EXPECT_EQ(trimmedRow(screen, 0), "line 0");
    EXPECT_EQ(trimmedRow(screen, 49), "line 49");
    screenNewLine(screen);
    EXPECT_EQ(trimmedRow(screen, 0), "line 1");
    EXPECT_EQ(trimmedRow(screen, 48), "line 49");
    EXPECT_EQ(trimmedRow(screen, 49), "");
    EXPECT_EQ(screen.cursorColumn, 0);
    EXPECT_EQ(screen.cursorRow, 49);
    screenWriteText(screen, "line 50");
    screenNewLine(screen);
    screenWriteText(screen, "line 51");
    EXPECT_EQ(trimmedRow(screen, 0), "line 2");
    EXPECT_EQ(trimmedRow(screen, 47), "line 49");
    EXPECT_EQ(trimmedRow(screen, 48), "line 50");
    EXPECT_EQ(trimmedRow(screen, 49), "line 51");
}

TEST(ScreenScroll, FillingTheBottomRowDefersTheScrollToTheNextCharacter) {
    Screen screen = fullScreen();
    EXPECT_TRUE(screen.pendingScroll);
    EXPECT_EQ(screen.cursorColumn, 0);
    EXPECT_EQ(screen.cursorRow, 49);
    EXPECT_EQ(rowString(screen, 0), std::string(120, 'A'));
    EXPECT_EQ(rowString(screen, 49), std::string(120, 'X'));

    // The new bottom row is blanked in the colours current at the scroll.
    screen.foreground = darkGrey;
    screenWriteText(screen, "z");
    EXPECT_FALSE(screen.pendingScroll);
    EXPECT_EQ(rowString(screen, 0), std::string(120, 'B'));
    EXPECT_EQ(rowString(screen, 48), std::string(120, 'X'));
    EXPECT_EQ(rowString(screen, 49), "z" + std::string(119, ' '));
    EXPECT_TRUE(cellsHaveColours(screen, 49, 0, 119, darkGrey, brightWhite));
    EXPECT_TRUE(cellsHaveColours(screen, 48, 0, 119, black, brightWhite));
    EXPECT_EQ(screen.cursorColumn, 1);
    EXPECT_EQ(screen.cursorRow, 49);
}

TEST(ScreenScroll, NewLineOnTheBottomRowWithAPendingScrollScrollsTwice) {
    Screen screen = fullScreen();
    screenNewLine(screen);
    EXPECT_FALSE(screen.pendingScroll);
    EXPECT_EQ(rowString(screen, 0), std::string(120, 'C'));
    EXPECT_EQ(rowString(screen, 47), std::string(120, 'X'));
    EXPECT_EQ(trimmedRow(screen, 48), "");
    EXPECT_EQ(trimmedRow(screen, 49), "");
    EXPECT_EQ(screen.cursorColumn, 0);
    EXPECT_EQ(screen.cursorRow, 49);
}

TEST(ScreenScroll, NewLineOnTheBottomRowWithoutAPendingScrollScrollsOnce) {
    Screen screen;
    screenWriteText(screen, "top");
    for (int i = 0; i < 49; ++i) screenNewLine(screen);
    screenWriteText(screen, "bottom");
    screenNewLine(screen);
    EXPECT_EQ(trimmedRow(screen, 0), "");
    EXPECT_EQ(trimmedRow(screen, 48), "bottom");
    EXPECT_EQ(trimmedRow(screen, 49), "");
    EXPECT_EQ(screen.cursorColumn, 0);
    EXPECT_EQ(screen.cursorRow, 49);
    // The row that came in last is lost on the next line end.
    for (int i = 0; i < 48; ++i) screenNewLine(screen);
    EXPECT_EQ(trimmedRow(screen, 0), "bottom");
    screenNewLine(screen);
    for (int row = 0; row < 50; ++row) EXPECT_EQ(trimmedRow(screen, row), "") << row;
}

TEST(ScreenClear, BlanksEveryCellInTheCurrentColoursAndHomesTheCursor) {
    Screen screen = fullScreen();
    screen.foreground = 3;
    screen.background = 4;
    screenClear(screen);
    EXPECT_FALSE(screen.pendingScroll);
    EXPECT_EQ(screen.cursorColumn, 0);
    EXPECT_EQ(screen.cursorRow, 0);
    for (int row = 0; row < 50; ++row) {
        EXPECT_EQ(rowString(screen, row), std::string(120, ' '));
        EXPECT_TRUE(cellsHaveColours(screen, row, 0, 119, 3, 4));
    }
    screenWriteText(screen, "a");  // no scroll was left behind
    EXPECT_EQ(trimmedRow(screen, 0), "a");
}

TEST(ScreenResize, KeepsTheTopLeftAndBlanksNewCellsInTheCurrentColours) {
    Screen screen;
    screenWriteText(screen, "abcdef");
    screenNewLine(screen);
    screenWriteText(screen, "ghijkl");
    screen.foreground = darkGrey;
    screenResize(screen, 4, 3);
    EXPECT_EQ(screen.columns, 4);
    EXPECT_EQ(screen.rows, 3);
    EXPECT_EQ(screen.cells.size(), 12u);
    EXPECT_EQ(rowString(screen, 0), "abcd");
    EXPECT_EQ(rowString(screen, 1), "ghij");
    EXPECT_EQ(rowString(screen, 2), "    ");
    EXPECT_EQ(screen.cursorColumn, 3);  // was at column 6
    EXPECT_EQ(screen.cursorRow, 1);

    screenResize(screen, 6, 4);
    EXPECT_EQ(rowString(screen, 0), "abcd  ");
    EXPECT_EQ(rowString(screen, 3), "      ");
    EXPECT_TRUE(cellsHaveColours(screen, 0, 0, 3, black, brightWhite));
    EXPECT_TRUE(cellsHaveColours(screen, 0, 4, 5, darkGrey, brightWhite));
    EXPECT_TRUE(cellsHaveColours(screen, 3, 0, 5, darkGrey, brightWhite));
}

TEST(ScreenResize, SizesOutsideOneTo9999LeaveTheScreenUnchanged) {
    Screen screen;
    screenWriteText(screen, "keep");
    for (auto [columns, rows] :
         {std::pair{10000, 50}, std::pair{120, 10000}, std::pair{0, 50}, std::pair{120, -1}}) {
        screenResize(screen, columns, rows);
        EXPECT_EQ(screen.columns, 120);
        EXPECT_EQ(screen.rows, 50);
        EXPECT_EQ(screen.cells.size(), 6000u);
        EXPECT_EQ(trimmedRow(screen, 0), "keep");
    }
    screenResize(screen, 9999, 1);
    EXPECT_EQ(screen.columns, 9999);
    EXPECT_EQ(screen.rows, 1);
}

TEST(ScreenResize, WritingOnAOneByOneScreenScrollsInPlace) {
    Screen screen;
    screenResize(screen, 1, 1);
    screenWriteText(screen, "ab");
    EXPECT_EQ(rowString(screen, 0), "b");
    EXPECT_TRUE(screen.pendingScroll);
    screenNextZone(screen);
    EXPECT_EQ(screen.cursorColumn, 0);
}

TEST(ScreenEraseBack, StepsBackOneCellAndBlanksIt) {
    Screen screen;
    screenWriteText(screen, "abc");
    screen.foreground = darkGrey;
    screenEraseBack(screen);
    EXPECT_EQ(trimmedRow(screen, 0), "ab");
    EXPECT_EQ(screen.cursorColumn, 2);
    EXPECT_TRUE(cellsHaveColours(screen, 0, 2, 2, darkGrey, brightWhite));
}

TEST(ScreenEraseBack, FromColumn0GoesToTheLastColumnOfTheRowAbove) {
    Screen screen;
    screenWriteText(screen, std::string(120, 'x'));
    screenEraseBack(screen);
    EXPECT_EQ(screen.cursorColumn, 119);
    EXPECT_EQ(screen.cursorRow, 0);
    EXPECT_EQ(rowString(screen, 0), std::string(119, 'x') + " ");
}

TEST(ScreenEraseBack, AfterFillingTheBottomRowErasesItsLastCellWithoutScrolling) {
    Screen screen = fullScreen();
    screenEraseBack(screen);
    EXPECT_FALSE(screen.pendingScroll);
    EXPECT_EQ(screen.cursorColumn, 119);
    EXPECT_EQ(screen.cursorRow, 49);
    EXPECT_EQ(rowString(screen, 0), std::string(120, 'A'));
    EXPECT_EQ(rowString(screen, 49), std::string(119, 'X') + " ");
    screenWriteText(screen, "y");  // lands on the erased cell and waits to scroll again
    EXPECT_TRUE(screen.pendingScroll);
    EXPECT_EQ(rowString(screen, 49), std::string(119, 'X') + "y");
    EXPECT_EQ(rowString(screen, 0), std::string(120, 'A'));
}

TEST(ScreenEraseBack, StopsAtTheTopLeftCell) {
    Screen screen;
    screenWriteText(screen, "a");
    screenEraseBack(screen);
    screenEraseBack(screen);
    EXPECT_EQ(screen.cursorColumn, 0);
    EXPECT_EQ(screen.cursorRow, 0);
    EXPECT_EQ(rowString(screen, 0), std::string(120, ' '));
}

}  // namespace
}  // namespace trellmark
