// Key streams as a terminal may send them, through the key translation into
// the console's line input. Input bytes are terminal bytes, except that 0xFF
// and the byte after it may stand for a named key, a pause in the input, or a
// repeat of the last input (for lines past the 10000-character limit).
// Checked: the translation keeps plain text as typed and never lets an ESC
// through while input flows; each line is what the keys typed (Enter ends it,
// Backspace edits, controls are ignored, at most 10000 characters); the cursor
// never leaves the 120 x 50 grid; and no cell shows a control character or one
// that is not one column wide.

#include <clocale>
#include <cstdint>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.hpp"
#include "support/fuzz_check.hpp"
#include "support/input_reader.hpp"
#include "support/scripted_keys.hpp"
#include "terminal/cell_display.hpp"
#include "terminal/key_translation.hpp"
#include "text/utf8.hpp"

namespace trellmark::fuzz {
namespace {

constexpr std::uint8_t commandByte = 0xFF;
// Inputs at most: enough for a line over the 10000-character limit, few
// enough for a quick run.
constexpr std::size_t mostInputs = 12000;
// Lines read at most: each ends in a scroll of the whole grid once the cursor
// is at the bottom, which is slow under the sanitizers.
constexpr int mostLines = 200;

struct Event {
    enum class Kind { input, pause } kind = Kind::input;
    TerminalInput input;
};

std::vector<Event> readEvents(InputReader& reader) {
    std::vector<Event> events;
    while (!reader.empty() && events.size() < mostInputs) {
        const std::uint8_t byte = reader.byte();
        Event event;
        event.input = {TerminalInput::Kind::byte, byte};
        if (byte == commandByte) {
            switch (reader.byte() % 8) {
                case 0:
                    event.input.kind = TerminalInput::Kind::enterKey;
                    break;
                case 1:
                    event.input.kind = TerminalInput::Kind::backspaceKey;
                    break;
                case 2:
                    event.input.kind = TerminalInput::Kind::otherKey;
                    break;
                case 3:
                    event.kind = Event::Kind::pause;
                    break;
                case 4: {
                    if (events.empty()) break;
                    const std::size_t times = (reader.byte() + 1) * std::size_t{64};
                    const Event last = events.back();
                    for (std::size_t i = 0; i < times && events.size() < mostInputs; ++i) {
                        events.push_back(last);
                    }
                    continue;
                }
                default:
                    break;  // the byte 0xFF itself
            }
        }
        events.push_back(event);
    }
    return events;
}

bool isNamedKey(const Event& event) {
    return event.kind == Event::Kind::input && event.input.kind != TerminalInput::Kind::byte;
}

// Translates the events into keys, checking what the translation promises.
void translate(const std::vector<Event>& events, ScriptedKeys& keys,
               std::vector<std::string>& characters) {
    KeyTranslator translator;
    std::string typed;      // the bytes of every key
    std::string expected;   // the input bytes, Backspace as the console knows it
    bool plainText = true;  // no ESC and no named key: the text must come out as typed
    const auto add = [&](const std::vector<Key>& produced) {
        for (const Key& key : produced) {
            typed += key.text;
            for (std::string& character : splitCharacters(key.text)) {
                characters.push_back(std::move(character));
            }
            keys.key(key);
        }
    };
    for (const Event& event : events) {
        if (event.kind == Event::Kind::pause) {
            add(translator.inputPaused());
            FUZZ_CHECK(!translator.waitingForMore());
            continue;
        }
        const std::vector<Key> produced = translator.take(event.input);
        for (const Key& key : produced) {
            FUZZ_CHECK(key.text.find('\x1b') == std::string::npos);
        }
        add(produced);
        const unsigned char byte = event.input.byte;
        plainText = plainText && !isNamedKey(event) && byte != 0x1B;
        expected += byte == 0x7F ? '\b' : static_cast<char>(byte);
    }
    add(translator.inputPaused());
    FUZZ_CHECK(!translator.waitingForMore());
    if (plainText) FUZZ_CHECK(typed == expected);
}

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

void checkCursor(const Screen& screen) {
    FUZZ_CHECK(screen.columns == screenColumns && screen.rows == screenRows);
    FUZZ_CHECK(screen.cursorColumn >= 0 && screen.cursorColumn < screen.columns);
    FUZZ_CHECK(screen.cursorRow >= 0 && screen.cursorRow < screen.rows);
}

void checkShown(std::string_view text) {
    const char32_t shown = displayCharacter(text, true);
    FUZZ_CHECK(!isControl(shown));
    FUZZ_CHECK(wcwidth(static_cast<wchar_t>(shown)) == 1);
    const char32_t ascii = displayCharacter(text, false);
    FUZZ_CHECK(ascii >= 0x20 && ascii < 0x7F);
}

void checkCells(const Screen& screen) {
    checkShown(" ");
    // Most cells are blank; the blank is checked once.
    for (const Cell& cell : screen.cells) {
        if (cell.text != " ") checkShown(cell.text);
    }
}

// Checks the cursor whenever the console changes or shows the screen, and the
// cells a change can have written: the line input writes one character (at
// the cursor before) or erases one (at the cursor after) per change.
class CheckingDisplay : public Display {
  public:
    void start(const Screen& screen) {
        column_ = screen.cursorColumn;
        row_ = screen.cursorRow;
    }
    void screenChanged(const Screen& screen) override {
        checkCursor(screen);
        checkShown(screen.at(column_, row_).text);
        checkShown(screen.at(screen.cursorColumn, screen.cursorRow).text);
        start(screen);
    }
    void paint(const Screen& screen) override { checkCursor(screen); }
    void setTitle(std::string_view) override {}
    void beep() override {}

  private:
    int column_ = 0;
    int row_ = 0;
};

// The line the keys type, by the rules readLine states; the keys it takes are
// removed from `characters`.
std::string expectedLine(std::vector<std::string>& characters, std::size_t& next) {
    std::vector<std::string> line;
    while (next < characters.size()) {
        const std::string& character = characters[next++];
        if (character == "\r") break;
        if (character == "\b") {
            if (!line.empty()) line.pop_back();
            continue;
        }
        const auto byte = static_cast<unsigned char>(character[0]);
        if (character.size() == 1 && (byte < 0x20 || byte == 0x7F)) continue;
        if (line.size() < maxLineCharacters) line.push_back(character);
    }
    std::string text;
    for (const std::string& character : line) text += character;
    return text;
}

}  // namespace
}  // namespace trellmark::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The terminal shows characters by the widths of a UTF-8 locale.
    FUZZ_CHECK(std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trellmark;
    using namespace trellmark::fuzz;
    // One console for every input, set up once: a fresh 120 x 50 grid per
    // input would cost more than the rest of the run.
    static ScriptedKeys keys;
    static CheckingDisplay display;
    static Console console = [] {
        Console made(keys, &display);
        setUpConsoleWindow(made);
        return made;
    }();
    useValueColours(console);
    clearScreen(console);
    setCursorVisible(console, true);

    InputReader reader(data, size);
    // Every character the keys carry, in order, for the expected lines.
    std::vector<std::string> characters;
    translate(readEvents(reader), keys, characters);

    std::size_t next = 0;

    display.start(console.screen);
    printText(console, "Directory of the reference set? ");
    int lines = 0;
    do {
        const std::string line = readLine(console);
        FUZZ_CHECK(splitCharacters(line).size() <= maxLineCharacters);
        FUZZ_CHECK(line == expectedLine(characters, next));
        checkCursor(console.screen);
    } while (keys.remaining() > 0 && ++lines < mostLines);
    checkCells(console.screen);
    FUZZ_CHECK(keys.remaining() > 0 || next == characters.size());
    // Keys past the last line read are dropped, so the next input starts afresh.
    while (keys.nextKey()) {
    }
    return 0;
}
