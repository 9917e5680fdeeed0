#pragma once
// The console's screen model: a grid of character cells with a cursor, the
// current colours and the pending-scroll flag. Every output rule of the console
// (immediate wrap, scrolling at the bottom, print zones) lives here, with no
// terminal in sight, so tests read rows and colours straight from the grid.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/utf8.hpp"

namespace trellmark {

constexpr int screenColumns = 120;
constexpr int screenRows = 50;
constexpr int zoneWidth = 14;

// Palette numbers of the 16-colour console palette.
constexpr std::uint8_t black = 0;
constexpr std::uint8_t darkGrey = 8;
constexpr std::uint8_t brightWhite = 15;

struct Cell {
    // One character as its bytes: a whole UTF-8 sequence, or a single byte that
    // is not part of one. A control byte is kept as it is; the display decides
    // how to show it.
    std::string text = " ";
    std::uint8_t foreground = black;
    std::uint8_t background = brightWhite;
};

struct Screen {
    int columns = screenColumns;
    int rows = screenRows;
    std::vector<Cell> cells = std::vector<Cell>(screenColumns * screenRows);  // row by row
    int cursorColumn = 0;
    int cursorRow = 0;
    std::uint8_t foreground = black;
    std::uint8_t background = brightWhite;
    // Set when output has filled the last cell of the bottom row; the scroll is
    // made only before the next character or line end.
    bool pendingScroll = false;
    bool cursorVisible = true;

    Cell& at(int column, int row) { return cells[row * columns + column]; }
    const Cell& at(int column, int row) const { return cells[row * columns + column]; }
};

void screenClear(Screen& screen);                          // blanks in current colours, cursor home
void screenResize(Screen& screen, int columns, int rows);  // above 9999 in either: unchanged
void screenWriteCharacter(Screen& screen, std::string_view character);
void screenWriteText(Screen& screen, std::string_view bytes);
void screenNextZone(Screen& screen);  // 1 to 14 blanks, to the next multiple of 14
void screenNewLine(Screen& screen);
// Moves the cursor back one cell (to the end of the row above from column 0),
// writes a blank there and moves back again: the echo of Backspace.
void screenEraseBack(Screen& screen);

}  // namespace trellmark
