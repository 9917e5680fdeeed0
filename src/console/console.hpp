#pragma once
// The console operations every part of the run prints and reads with.

#include <cstdint>
#include <string>
#include <string_view>

#include "console/display.hpp"
#include "console/key_source.hpp"
#include "console/screen.hpp"

namespace trellmark {

constexpr std::size_t maxLineCharacters = 10000;

struct Console {
    Console(KeySource& keys, Display* display) : keys(keys), display(display) {}

    Screen screen;
    // Both belong to the caller and must outlive the console.
    KeySource& keys;
    Display* display;   // null in tests
    int beepCount = 0;  // alert sounds made so far
    std::string title;
};

void setUpConsoleWindow(Console& console);  // title, value colours, cleared 120 by 50 screen
void setColour(Console& console, std::uint8_t foreground, std::uint8_t background);
void clearScreen(Console& console);
void setScreenSize(Console& console, int columns, int rows);
void printText(Console& console, std::string_view text);
void nextZone(Console& console);
void newLine(Console& console);
// Reads one line: Enter ends it, Backspace edits, other control characters are
// ignored, at most 10000 characters. Returns the bytes as typed. When the key
// source ends, the line ends as if Enter had been pressed.
std::string readLine(Console& console);
void setCursorVisible(Console& console, bool visible);
// Returns once any key has been pressed; that key stays unread.
void waitForKey(Console& console);
void beep(Console& console);

// The two colour pairs of everything the program prints.
void useValueColours(Console& console);  // black on bright white
void useLabelColours(Console& console);  // dark grey on bright white

}  // namespace trellmark
