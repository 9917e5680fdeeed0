#include "console/console.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/screen_rows.hpp"
#include "support/scripted_keys.hpp"

namespace trellmark {
namespace {

// Records what the console asks of its display.
class RecordingDisplay : public Display {
  public:
    void screenChanged(const Screen&) override { ++changes; }
    void paint(const Screen& screen) override {
        ++paints;
        cursorVisibleAtPaint.push_back(screen.cursorVisible);
    }
    void setTitle(std::string_view title) override { titles.emplace_back(title); }
    void beep() override { ++beeps; }

    int changes = 0;
    int paints = 0;
    int beeps = 0;
    std::vector<bool> cursorVisibleAtPaint;
    std::vector<std::string> titles;
};

struct ConsoleFixture : ::testing::Test {
    ScriptedKeys keys;
    Console console{keys, nullptr};
    const Screen& screen() const { return console.screen; }
};

using ConsoleSetUp = ConsoleFixture;
using ReadLine = ConsoleFixture;
using WaitForKey = ConsoleFixture;

TEST_F(ConsoleSetUp, GivesAClearedWhiteScreenWithValueColoursAndTheTitle) {
    RecordingDisplay display;
    console.display = &display;
    setColour(console, 4, 2);
    printText(console, "left over");
    setScreenSize(console, 20, 5);
    setUpConsoleWindow(console);
    EXPECT_EQ(console.title, "Trellmark");
    EXPECT_EQ(display.titles, std::vector<std::string>{"Trellmark"});
    EXPECT_EQ(screen().columns, 120);
    EXPECT_EQ(screen().rows, 50);
    EXPECT_EQ(screen().cells.size(), 6000u);
    EXPECT_EQ(screen().foreground, black);
    EXPECT_EQ(screen().background, brightWhite);
    EXPECT_EQ(screen().cursorColumn, 0);
    EXPECT_EQ(screen().cursorRow, 0);
    EXPECT_TRUE(screen().cursorVisible);
    for (int row = 0; row < 50; ++row) {
        EXPECT_EQ(rowString(screen(), row), std::string(120, ' ')) << row;
        EXPECT_TRUE(cellsHaveColours(screen(), row, 0, 119, black, brightWhite));
    }
}

TEST_F(ConsoleSetUp, ColourPairsAndOutputReachTheScreenAndTheDisplay) {
    RecordingDisplay display;
    console.display = &display;
    setUpConsoleWindow(console);
    useLabelColours(console);
    printText(console, "   Q?");
    nextZone(console);
    useValueColours(console);
    printText(console, "1");
    newLine(console);
    EXPECT_EQ(trimmedRow(screen(), 0), "   Q?         1");
    EXPECT_EQ(foregroundRow(screen(), 0).substr(0, 16), "8888888888888800");
    EXPECT_EQ(screen().cursorRow, 1);
    EXPECT_GE(display.changes, 6);
    EXPECT_EQ(display.paints, 1);  // a finished line is painted at once
}

TEST_F(ConsoleSetUp, BeepCountsAndSoundsOnTheDisplay) {
    RecordingDisplay display;
    beep(console);  // without a display it is only counted
    console.display = &display;
    beep(console);
    beep(console);
    EXPECT_EQ(console.beepCount, 3);
    EXPECT_EQ(display.beeps, 2);
}

TEST_F(ReadLine, ReturnsTheTypedBytesEchoedInTheCurrentColours) {
    useLabelColours(console);
    printText(console, "name? ");
    useValueColours(console);
    keys.line("abc def ");
    EXPECT_EQ(readLine(console), "abc def ");
    EXPECT_EQ(rowString(screen(), 0).substr(0, 15), "name? abc def  ");
    EXPECT_EQ(foregroundRow(screen(), 0).substr(0, 14), "88888800000000");
    EXPECT_EQ(screen().cursorColumn, 0);
    EXPECT_EQ(screen().cursorRow, 1);
    EXPECT_EQ(keys.remaining(), 0u);
}

TEST_F(ReadLine, EnterAloneGivesAnEmptyLine) {
    keys.line("");
    EXPECT_EQ(readLine(console), "");
    EXPECT_EQ(screen().cursorRow, 1);
}

TEST_F(ReadLine, KeysQueuedBeforeTheCallAreTakenInOrder) {
    keys.line("first");
    keys.line("second");
    keys.type("thi");
    EXPECT_EQ(readLine(console), "first");
    EXPECT_EQ(keys.remaining(), 10u);
    EXPECT_EQ(readLine(console), "second");
    EXPECT_EQ(readLine(console), "thi");  // input ended: as if Enter was pressed
    EXPECT_EQ(trimmedRow(screen(), 0), "first");
    EXPECT_EQ(trimmedRow(screen(), 1), "second");
    EXPECT_EQ(trimmedRow(screen(), 2), "thi");
    EXPECT_EQ(screen().cursorRow, 3);
    EXPECT_EQ(readLine(console), "");  // and so on, never blocking
    EXPECT_EQ(screen().cursorRow, 4);
}

TEST_F(ReadLine, BackspaceWalksBackAcrossTheRowBoundary) {
    printText(console, std::string(118, 'p'));
    keys.type("abcd");  // a, b fill columns 118 and 119; c, d go to the next row
    keys.type("\b\b\b");
    keys.line("X");
    EXPECT_EQ(readLine(console), "aX");
    EXPECT_EQ(rowString(screen(), 0), std::string(118, 'p') + "aX");
    EXPECT_EQ(trimmedRow(screen(), 1), "");
    // X filled column 119 again, so the cursor wrapped before Enter moved it on.
    EXPECT_EQ(screen().cursorColumn, 0);
    EXPECT_EQ(screen().cursorRow, 2);
}

TEST_F(ReadLine, BackspaceAfterTheBottomRowFilledErasesWithoutScrolling) {
    printText(console, "top");
    for (int i = 0; i < 49; ++i) newLine(console);
    printText(console, std::string(119, 'p'));
    keys.type("a\b");
    EXPECT_EQ(readLine(console), "");
    // The erase took back the pending scroll; only the line end scrolled.
    EXPECT_EQ(trimmedRow(screen(), 0), "");
    EXPECT_EQ(rowString(screen(), 48), std::string(119, 'p') + " ");
    EXPECT_EQ(trimmedRow(screen(), 49), "");

    printText(console, std::string(119, 'q'));
    keys.type("a\bb\bc");
    keys.line("d");
    EXPECT_EQ(readLine(console), "cd");
    // d scrolled once and Enter on the bottom row once more.
    EXPECT_EQ(rowString(screen(), 46), std::string(119, 'p') + " ");
    EXPECT_EQ(rowString(screen(), 47), std::string(119, 'q') + "c");
    EXPECT_EQ(trimmedRow(screen(), 48), "d");
    EXPECT_EQ(trimmedRow(screen(), 49), "");
    EXPECT_EQ(screen().cursorRow, 49);
    EXPECT_EQ(screen().cursorColumn, 0);
}

TEST_F(ReadLine, BackspaceBackIntoScrolledRowsErasesTheEchoThere) {
    for (int i = 0; i < 49; ++i) newLine(console);
    printText(console, std::string(118, 'p'));
    keys.type("abcd\b\b\b");
    keys.line("");
    EXPECT_EQ(readLine(console), "a");
    // c scrolled the screen up one row; the erases went back into row 48, so
    // Enter moved down to row 49 without another scroll.
    EXPECT_EQ(trimmedRow(screen(), 47), "");
    EXPECT_EQ(rowString(screen(), 48), std::string(118, 'p') + "a ");
    EXPECT_EQ(trimmedRow(screen(), 49), "");
    EXPECT_EQ(screen().cursorRow, 49);
}

TEST_F(ReadLine, BackspaceWithNothingTypedChangesNothing) {
    printText(console, "prompt ");
    Screen before = screen();
    keys.type("\b\b");
    keys.type("x\b\b");
    keys.line("");
    EXPECT_EQ(readLine(console), "");
    EXPECT_EQ(rowString(screen(), 0), rowString(before, 0));
    EXPECT_EQ(trimmedRow(screen(), 0), "prompt");
    EXPECT_EQ(screen().cursorRow, 1);
}

TEST_F(ReadLine, ControlCharactersAndFunctionKeysAreIgnored) {
    keys.type("a\x03");
    keys.functionKey();
    keys.type("\t\x1b\n\x7f\x01\x1f");
    keys.key(Key{""});
    keys.line("b");
    EXPECT_EQ(readLine(console), "ab");
    EXPECT_EQ(trimmedRow(screen(), 0), "ab");
    EXPECT_EQ(screen().cursorRow, 1);
}

TEST_F(ReadLine, AMultiByteCharacterTakesOneCellAndBackspaceRemovesItWhole) {
    keys.type("a\xC3\xA9\xE2\x82\xAC\b");
    keys.line("\xF0\x9F\x98\x80z");
    EXPECT_EQ(readLine(console), "a\xC3\xA9\xF0\x9F\x98\x80z");
    EXPECT_EQ(screen().at(0, 0).text, "a");
    EXPECT_EQ(screen().at(1, 0).text, "\xC3\xA9");
    EXPECT_EQ(screen().at(2, 0).text, "\xF0\x9F\x98\x80");
    EXPECT_EQ(screen().at(3, 0).text, "z");
    EXPECT_EQ(screen().at(4, 0).text, " ");
}

TEST_F(ReadLine, StrayBytesAboveAsciiAreCharactersOfTheirOwn) {
    keys.type("\xE9\x80");
    keys.type("\b");
    keys.line("");
    EXPECT_EQ(readLine(console), "\xE9");
    EXPECT_EQ(trimmedRow(screen(), 0), "\xE9");
}

TEST_F(ReadLine, The10001stCharacterIsNeitherStoredNorEchoed) {
    keys.type(std::string(10000, 'a'));
    keys.line("b");
    EXPECT_EQ(readLine(console), std::string(10000, 'a'));
    // 10000 = 83 full rows and 40 characters: the echo scrolled, and Enter
    // scrolled once more.
    for (int row = 0; row < 48; ++row) EXPECT_EQ(rowString(screen(), row), std::string(120, 'a'));
    EXPECT_EQ(rowString(screen(), 48), std::string(40, 'a') + std::string(80, ' '));
    EXPECT_EQ(trimmedRow(screen(), 49), "");
}

TEST_F(ReadLine, AfterABackspaceAtTheLimitOneMoreCharacterFits) {
    keys.type(std::string(10000, 'a'));
    keys.type("b\bc");
    keys.line("d");
    EXPECT_EQ(readLine(console), std::string(9999, 'a') + "c");
    EXPECT_EQ(rowString(screen(), 48), std::string(39, 'a') + "c" + std::string(80, ' '));
}

TEST_F(ReadLine, AKeyCarryingSeveralCharactersLeavesWhatFollowsEnter) {
    keys.key(
        Key{"a\x03"
            "b\rcd"});
    EXPECT_EQ(readLine(console), "ab");
    EXPECT_EQ(keys.remaining(), 1u);
    EXPECT_EQ(readLine(console), "cd");
}

TEST_F(ReadLine, ShowsTheCursorWhileTypingAndRestoresItAfter) {
    RecordingDisplay display;
    console.display = &display;
    setCursorVisible(console, false);
    keys.line("ab");
    EXPECT_EQ(readLine(console), "ab");
    EXPECT_FALSE(screen().cursorVisible);
    // Before each of the three keys, and the finished line.
    EXPECT_EQ(display.paints, 4);
    EXPECT_EQ(display.cursorVisibleAtPaint, (std::vector<bool>{true, true, true, true}));

    setCursorVisible(console, true);
    keys.line("c");
    readLine(console);
    EXPECT_TRUE(screen().cursorVisible);
}

TEST_F(ReadLine, PaintsBeforeTheWaitThatFindsTheInputEnded) {
    RecordingDisplay display;
    console.display = &display;
    EXPECT_EQ(readLine(console), "");
    EXPECT_EQ(display.paints, 2);  // before the wait, and the line it ended
}

TEST_F(WaitForKey, LeavesTheKeyUnreadForTheNextLine) {
    keys.line("x");
    waitForKey(console);
    EXPECT_EQ(keys.remaining(), 2u);
    EXPECT_EQ(readLine(console), "x");
}

TEST_F(WaitForKey, AFunctionKeyEndsTheWaitAndStaysQueued) {
    RecordingDisplay display;
    console.display = &display;
    keys.functionKey();
    waitForKey(console);
    EXPECT_EQ(display.paints, 1);
    ASSERT_EQ(keys.remaining(), 1u);
    EXPECT_EQ(keys.nextKey()->text, "");
}

TEST_F(WaitForKey, ReturnsWhenTheInputHasEnded) {
    waitForKey(console);
    EXPECT_EQ(keys.remaining(), 0u);
    EXPECT_EQ(trimmedRow(screen(), 0), "");
}

}  // namespace
}  // namespace trellmark
