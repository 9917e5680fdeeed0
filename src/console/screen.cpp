#include "console/screen.hpp"

#include <algorithm>

namespace trellmark {
namespace {

constexpr int largestDimension = 9999;

void fillBlank(Cell& cell, const Screen& screen) {
    cell.text = " ";
    cell.foreground = screen.foreground;
    cell.background = screen.background;
}

void scrollUp(Screen& screen) {
    const auto rowLength = static_cast<std::ptrdiff_t>(screen.columns);
    std::move(screen.cells.begin() + rowLength, screen.cells.end(), screen.cells.begin());
    for (int column = 0; column < screen.columns; ++column) {
        fillBlank(screen.at(column, screen.rows - 1), screen);
    }
}

void makePendingScroll(Screen& screen) {
    if (!screen.pendingScroll) return;
    scrollUp(screen);
    screen.pendingScroll = false;
}

}  // namespace

void screenClear(Screen& screen) {
    for (Cell& cell : screen.cells) fillBlank(cell, screen);
    screen.cursorColumn = 0;
    screen.cursorRow = 0;
    screen.pendingScroll = false;
}

// A size below one cell either way would leave nowhere to write, so it is
// refused like one above the largest size.
void screenResize(Screen& screen, int columns, int rows) {
    if (columns < 1 || rows < 1 || columns > largestDimension || rows > largestDimension) return;
    Cell blank;
    fillBlank(blank, screen);
    std::vector<Cell> cells(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows),
                            blank);
    for (int row = 0; row < std::min(rows, screen.rows); ++row) {
        for (int column = 0; column < std::min(columns, screen.columns); ++column) {
            cells[static_cast<std::size_t>(row) * columns + column] =
                std::move(screen.at(column, row));
        }
    }
    screen.cells = std::move(cells);
    screen.columns = columns;
    screen.rows = rows;
    screen.cursorColumn = std::min(screen.cursorColumn, columns - 1);
    screen.cursorRow = std::min(screen.cursorRow, rows - 1);
    // The filled bottom row the flag stood for is no longer the bottom row.
    screen.pendingScroll = false;
}

void screenWriteCharacter(Screen& screen, std::string_view character) {
    makePendingScroll(screen);
    Cell& cell = screen.at(screen.cursorColumn, screen.cursorRow);
    cell.text = std::string(character);
    cell.foreground = screen.foreground;
    cell.background = screen.background;
    ++screen.cursorColumn;
    if (screen.cursorColumn < screen.columns) return;
    screen.cursorColumn = 0;
    if (screen.cursorRow < screen.rows - 1) {
        ++screen.cursorRow;
    } else {
        screen.pendingScroll = true;
    }
}

void screenWriteText(Screen& screen, std::string_view bytes) {
    for (const std::string& character : splitCharacters(bytes)) {
        screenWriteCharacter(screen, character);
    }
}

void screenNextZone(Screen& screen) {
    int blanks = zoneWidth - screen.cursorColumn % zoneWidth;
    for (int i = 0; i < blanks; ++i) screenWriteCharacter(screen, " ");
}

void screenNewLine(Screen& screen) {
    screen.cursorColumn = 0;
    if (screen.cursorRow < screen.rows - 1) {
        ++screen.cursorRow;
        return;
    }
    makePendingScroll(screen);
    scrollUp(screen);
}

void screenEraseBack(Screen& screen) {
    if (screen.pendingScroll) {
        // The cursor waits at column 0 of the bottom row, but the cell last
        // written is still the bottom row's last one: the scroll never happened.
        screen.pendingScroll = false;
        screen.cursorColumn = screen.columns - 1;
    } else if (screen.cursorColumn > 0) {
        --screen.cursorColumn;
    } else if (screen.cursorRow > 0) {
        --screen.cursorRow;
        screen.cursorColumn = screen.columns - 1;
    }
    fillBlank(screen.at(screen.cursorColumn, screen.cursorRow), screen);
}

}  // namespace trellmark
