#include "terminal/cell_display.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace trellmark {
namespace {

// Character widths come from the locale, as they do for the terminal library.
class UnicodeLocale : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* current = std::setlocale(LC_CTYPE, nullptr);
        saved_ = current != nullptr ? current : "C";
        ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    }
    void TearDown() override { std::setlocale(LC_CTYPE, saved_.c_str()); }

  private:
    std::string saved_;
};

TEST(DecodeCharacter, AcceptsExactlyOneShortestFormCharacter) {
    EXPECT_EQ(decodeCharacter("A"), U'A');
    EXPECT_EQ(decodeCharacter("\r"), U'\r');
    EXPECT_EQ(decodeCharacter("\xC3\xA9"), U'\u00E9');
    EXPECT_EQ(decodeCharacter("\xE2\x82\xAC"), U'\u20AC');
    EXPECT_EQ(decodeCharacter("\xF0\x9F\x98\x80"), U'\U0001F600');
    EXPECT_EQ(decodeCharacter("\xF4\x8F\xBF\xBF"), U'\U0010FFFF');

    EXPECT_EQ(decodeCharacter(""), std::nullopt);
    EXPECT_EQ(decodeCharacter("AB"), std::nullopt);
    EXPECT_EQ(decodeCharacter("\xC3"), std::nullopt);              // cut short
    EXPECT_EQ(decodeCharacter("\xC3\xA9x"), std::nullopt);         // one byte too many
    EXPECT_EQ(decodeCharacter("\xA9"), std::nullopt);              // lone continuation
    EXPECT_EQ(decodeCharacter("\xC3\x41"), std::nullopt);          // not a continuation
    EXPECT_EQ(decodeCharacter("\xC0\xAF"), std::nullopt);          // overlong "/"
    EXPECT_EQ(decodeCharacter("\xE0\x80\xAF"), std::nullopt);      // overlong "/"
    EXPECT_EQ(decodeCharacter("\xF0\x82\x82\xAC"), std::nullopt);  // overlong euro sign
    EXPECT_EQ(decodeCharacter("\xED\xA0\x80"), std::nullopt);      // surrogate
    EXPECT_EQ(decodeCharacter("\xF4\x90\x80\x80"), std::nullopt);  // above U+10FFFF
    EXPECT_EQ(decodeCharacter("\xF8\x88\x80\x80\x80"), std::nullopt);
    EXPECT_EQ(decodeCharacter("\xFF"), std::nullopt);
}

TEST(EncodeCharacter, WritesEveryLengthAndReplacesNonScalars) {
    EXPECT_EQ(encodeCharacter(U'A'), "A");
    EXPECT_EQ(encodeCharacter(0), std::string(1, '\0'));
    EXPECT_EQ(encodeCharacter(U'\u00E9'), "\xC3\xA9");
    EXPECT_EQ(encodeCharacter(U'\u07FF'), "\xDF\xBF");
    EXPECT_EQ(encodeCharacter(U'\u0800'), "\xE0\xA0\x80");
    EXPECT_EQ(encodeCharacter(U'\u20AC'), "\xE2\x82\xAC");
    EXPECT_EQ(encodeCharacter(U'\U0001F600'), "\xF0\x9F\x98\x80");
    EXPECT_EQ(encodeCharacter(0xD800), "\xEF\xBF\xBD");
    EXPECT_EQ(encodeCharacter(0x110000), "\xEF\xBF\xBD");
}

TEST_F(UnicodeLocale, ControlBytesShowAsTheirPictures) {
    EXPECT_EQ(displayCharacter(std::string(1, '\0'), true), U'\u2400');
    EXPECT_EQ(displayCharacter("\t", true), U'\u2409');
    EXPECT_EQ(displayCharacter("\r", true), U'\u240D');
    EXPECT_EQ(displayCharacter("\x1b", true), U'\u241B');
    EXPECT_EQ(displayCharacter("\x1f", true), U'\u241F');
    EXPECT_EQ(displayCharacter("\x7f", true), U'\u2421');
}

TEST_F(UnicodeLocale, OneColumnCharactersShowAsThemselves) {
    EXPECT_EQ(displayCharacter(" ", true), U' ');
    EXPECT_EQ(displayCharacter("~", true), U'~');
    EXPECT_EQ(displayCharacter("\xC3\xA9", true), U'\u00E9');
    EXPECT_EQ(displayCharacter("\xE2\x82\xAC", true), U'\u20AC');
}

TEST_F(UnicodeLocale, EverythingElseShowsThePlaceholder) {
    EXPECT_EQ(displayCharacter("\xC2\x85", true), unicodePlaceholder);          // C1 next line
    EXPECT_EQ(displayCharacter("\xC2\x9B", true), unicodePlaceholder);          // C1 CSI
    EXPECT_EQ(displayCharacter("\xE4\xB8\xAD", true), unicodePlaceholder);      // two columns
    EXPECT_EQ(displayCharacter("\xF0\x9F\x98\x80", true), unicodePlaceholder);  // two columns
    EXPECT_EQ(displayCharacter("\xCC\x81", true), unicodePlaceholder);          // combining accent
    EXPECT_EQ(displayCharacter("\xE2\x80\x8B", true), unicodePlaceholder);      // zero width space
    EXPECT_EQ(displayCharacter("\xFF", true), unicodePlaceholder);
    EXPECT_EQ(displayCharacter("\xC3", true), unicodePlaceholder);
    EXPECT_EQ(displayCharacter("ab", true), unicodePlaceholder);
    EXPECT_EQ(displayCharacter("", true), unicodePlaceholder);
}

TEST(DisplayCharacter, AsciiTerminalsShowOnlyPrintableAscii) {
    EXPECT_EQ(displayCharacter(" ", false), U' ');
    EXPECT_EQ(displayCharacter("z", false), U'z');
    EXPECT_EQ(displayCharacter("~", false), U'~');
    EXPECT_EQ(displayCharacter("\t", false), asciiPlaceholder);
    EXPECT_EQ(displayCharacter("\x7f", false), asciiPlaceholder);
    EXPECT_EQ(displayCharacter("\xC3\xA9", false), asciiPlaceholder);
    EXPECT_EQ(displayCharacter("\xFF", false), asciiPlaceholder);
}

Screen smallScreen(int columns, int rows) {
    Screen screen;
    screen.columns = columns;
    screen.rows = rows;
    screen.cells.assign(static_cast<std::size_t>(columns * rows), Cell{});
    return screen;
}

void put(Screen& screen, int column, int row, std::string_view text) {
    for (char byte : text) screen.at(column++, row).text = std::string(1, byte);
}

TEST_F(UnicodeLocale, PlainLinesTrimBlanksAndDropEmptyRowsAtTheEnd) {
    Screen screen = smallScreen(6, 5);
    put(screen, 0, 0, "   ab");
    put(screen, 2, 2, "x y");
    screen.at(5, 2).text = "\t";
    screen.at(0, 3).text = "\xC3\xA9";

    const std::vector<std::string> lines = plainScreenLines(screen, true);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "   ab");
    EXPECT_EQ(lines[1], "");  // an empty row between others stays
    EXPECT_EQ(lines[2], "  x y\xE2\x90\x89");
    EXPECT_EQ(lines[3], "\xC3\xA9");

    EXPECT_EQ(plainScreenLines(screen, false)[2], "  x y?");
    EXPECT_EQ(plainScreenLines(screen, false)[3], "?");
}

TEST(PlainScreenLines, BlankScreenLeavesNoLines) {
    EXPECT_TRUE(plainScreenLines(Screen{}, true).empty());
    Screen screen;
    screen.at(119, 49).text = "x";
    const std::vector<std::string> lines = plainScreenLines(screen, false);
    ASSERT_EQ(lines.size(), 50u);
    EXPECT_EQ(lines[49], std::string(119, ' ') + "x");
}

}  // namespace
}  // namespace trellmark
