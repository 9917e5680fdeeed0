#pragma once
// Reading the screen model in tests: row texts and cell colours.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "console/screen.hpp"

namespace trellmark {

// The row's cell texts, all columns, trailing blanks included.
inline std::string rowString(const Screen& screen, int row) {
    std::string text;
    for (int column = 0; column < screen.columns; ++column) text += screen.at(column, row).text;
    return text;
}

// The row's cell texts without the trailing blanks.
inline std::string trimmedRow(const Screen& screen, int row) {
    std::string text = rowString(screen, row);
    return text.erase(text.find_last_not_of(' ') + 1);
}

// One hexadecimal digit per cell of the row: its foreground palette number.
// "0" value text, "8" label text: a prompt row reads like "888...8000".
inline std::string foregroundRow(const Screen& screen, int row) {
    std::string digits;
    for (int column = 0; column < screen.columns; ++column) {
        digits += "0123456789ABCDEF"[screen.at(column, row).foreground & 0x0F];
    }
    return digits;
}

// Checks that cells firstColumn to lastColumn (inclusive) of a row all have the
// given colours; names the first cell that does not.
inline ::testing::AssertionResult cellsHaveColours(const Screen& screen, int row, int firstColumn,
                                                   int lastColumn, std::uint8_t foreground,
                                                   std::uint8_t background) {
    for (int column = firstColumn; column <= lastColumn; ++column) {
        const Cell& cell = screen.at(column, row);
        if (cell.foreground != foreground || cell.background != background) {
            return ::testing::AssertionFailure()
                   << "cell " << column << "," << row << " has colours " << int(cell.foreground)
                   << " on " << int(cell.background) << ", not " << int(foreground) << " on "
                   << int(background);
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace trellmark
