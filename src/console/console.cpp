#include "console/console.hpp"

#include <vector>

namespace trellmark {
namespace {

constexpr std::string_view enterText = "\r";
constexpr std::string_view backspaceText = "\b";

void screenChanged(Console& console) {
    if (console.display != nullptr) console.display->screenChanged(console.screen);
}

// Paints before every blocking wait, so the user sees the prompt and the echo.
std::optional<Key> nextKey(Console& console) {
    if (console.display != nullptr) console.display->paint(console.screen);
    return console.keys.nextKey();
}

bool isIgnoredControl(std::string_view character) {
    if (character.size() != 1) return false;
    auto byte = static_cast<unsigned char>(character[0]);
    return byte < 32 || byte == 0x7F;
}

// The line typed so far, kept as whole characters so that Backspace removes a
// multi-byte character as one.
struct TypedLine {
    std::vector<std::string> characters;

    std::string text() const {
        std::string bytes;
        for (const std::string& character : characters) bytes += character;
        return bytes;
    }
};

// Returns true when the character ends the line.
bool takeCharacter(Console& console, TypedLine& line, std::string_view character) {
    if (character == enterText) return true;
    if (character == backspaceText) {
        if (!line.characters.empty()) {
            screenEraseBack(console.screen);
            screenChanged(console);
            line.characters.pop_back();
        }
        return false;
    }
    if (isIgnoredControl(character)) return false;
    if (line.characters.size() >= maxLineCharacters) return false;
    line.characters.emplace_back(character);
    printText(console, character);
    return false;
}

}  // namespace

void setUpConsoleWindow(Console& console) {
    console.title = "Trellmark";
    if (console.display != nullptr) console.display->setTitle(console.title);
    setColour(console, black, brightWhite);
    clearScreen(console);
    setScreenSize(console, screenColumns, screenRows);
}

void setColour(Console& console, std::uint8_t foreground, std::uint8_t background) {
    console.screen.foreground = foreground;
    console.screen.background = background;
    screenChanged(console);
}

void clearScreen(Console& console) {
    screenClear(console.screen);
    screenChanged(console);
}

void setScreenSize(Console& console, int columns, int rows) {
    screenResize(console.screen, columns, rows);
    screenChanged(console);
}

void printText(Console& console, std::string_view text) {
    screenWriteText(console.screen, text);
    screenChanged(console);
}

void nextZone(Console& console) {
    screenNextZone(console.screen);
    screenChanged(console);
}

void newLine(Console& console) {
    screenNewLine(console.screen);
    // A finished line is painted at once: long work often follows one (a
    // "Reading" line, then the file), and the user should see what it is.
    if (console.display != nullptr) console.display->paint(console.screen);
}

std::string readLine(Console& console) {
    const bool wasVisible = console.screen.cursorVisible;
    setCursorVisible(console, true);
    TypedLine line;
    bool ended = false;
    while (!ended) {
        std::optional<Key> key = nextKey(console);
        if (!key) break;  // no key can come any more: the line ends as if Enter came
        // A key normally carries one character; should one carry several, each
        // counts on its own, and whatever follows an Enter stays for the next read.
        std::vector<std::string> characters = splitCharacters(key->text);
        for (std::size_t i = 0; i < characters.size(); ++i) {
            if (!takeCharacter(console, line, characters[i])) continue;
            ended = true;
            std::string rest;
            for (std::size_t j = i + 1; j < characters.size(); ++j) rest += characters[j];
            if (!rest.empty()) console.keys.unreadKey(Key{rest});
            break;
        }
    }
    newLine(console);
    setCursorVisible(console, wasVisible);
    return line.text();
}

void setCursorVisible(Console& console, bool visible) {
    console.screen.cursorVisible = visible;
    screenChanged(console);
}

void waitForKey(Console& console) {
    std::optional<Key> key = nextKey(console);
    if (key) console.keys.unreadKey(std::move(*key));
}

void beep(Console& console) {
    ++console.beepCount;
    if (console.display != nullptr) console.display->beep();
}

void useValueColours(Console& console) {
    setColour(console, black, brightWhite);
}

void useLabelColours(Console& console) {
    setColour(console, darkGrey, brightWhite);
}

}  // namespace trellmark
