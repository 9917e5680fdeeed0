#include "run/key_translation.hpp"

#include "run/cell_display.hpp"

namespace trellmark {
namespace {

constexpr char32_t escape = 0x1B;

std::optional<Key> plainKey(TerminalInput input) {
    switch (input.kind) {
        case TerminalInput::Kind::enterKey:
            return Key{"\r"};
        case TerminalInput::Kind::backspaceKey:
            return Key{"\b"};
        case TerminalInput::Kind::otherKey:
            return Key{""};
        case TerminalInput::Kind::character:
            break;
    }
    const char32_t c = input.character;
    // Terminals differ in what Enter and Backspace send; the console knows one
    // character for each.
    if (c == U'\r' || c == U'\n') return Key{"\r"};
    if (c == 0x7F || c == 0x08) return Key{"\b"};
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return Key{""};
    return Key{encodeCharacter(c)};
}

}  // namespace

std::optional<Key> KeyTranslator::take(TerminalInput input) {
    const bool isCharacter = input.kind == TerminalInput::Kind::character;
    const char32_t c = input.character;
    switch (state_) {
        case State::idle:
            if (isCharacter && c == escape) {
                state_ = State::afterEscape;
                return std::nullopt;
            }
            return plainKey(input);
        case State::afterEscape:
            if (isCharacter && c == U'[') {
                state_ = State::controlSequence;
            } else if (isCharacter && c == U'O') {
                state_ = State::singleShift;
            } else {
                // Alt with a key: neither the ESC nor the key is typed text.
                state_ = State::idle;
            }
            return std::nullopt;
        case State::controlSequence:
            if (isCharacter && c >= 0x20 && c <= 0x3F) return std::nullopt;  // parameters
            state_ = State::idle;
            // A final byte completes a key the terminal has no name for; it was
            // still pressed, so it ends a wait for any key.
            if (isCharacter && c >= 0x40 && c <= 0x7E) return Key{""};
            return std::nullopt;
        case State::singleShift:
            state_ = State::idle;
            return Key{""};
    }
    return std::nullopt;
}

std::optional<Key> KeyTranslator::inputPaused() {
    const State was = state_;
    state_ = State::idle;
    if (was == State::afterEscape) return Key{"\x1b"};
    return std::nullopt;
}

}  // namespace trellmark
