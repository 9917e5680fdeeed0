#include "terminal/key_translation.hpp"

#include "text/utf8.hpp"

namespace trellmark {
namespace {

constexpr unsigned char escape = 0x1B;

Key namedKey(TerminalInput::Kind kind) {
    switch (kind) {
        case TerminalInput::Kind::enterKey:
            return Key{"\r"};
        case TerminalInput::Kind::backspaceKey:
            return Key{"\b"};
        default:
            return Key{""};
    }
}

// Terminals differ in what Backspace sends; the console knows one character
// for it. Enter sends a carriage return in raw mode; a line feed is Ctrl+J,
// which the line input ignores like every other control character.
Key byteKey(unsigned char byte) {
    if (byte == '\r') return Key{"\r"};
    if (byte == 0x7F || byte == 0x08) return Key{"\b"};
    return Key{std::string(1, static_cast<char>(byte))};
}

// Alt with a key types nothing, but it was pressed: it ends a wait for any key.
Key altKey() {
    return Key{""};
}

}  // namespace

std::vector<Key> KeyTranslator::takeIdle(TerminalInput input) {
    if (input.kind != TerminalInput::Kind::byte) return {namedKey(input.kind)};
    const unsigned char byte = input.byte;
    if (byte == escape) {
        state_ = State::afterEscape;
        return {};
    }
    if (sequenceLength(byte) > 0) {
        state_ = State::character;
        pending_.assign(1, static_cast<char>(byte));
        needed_ = sequenceLength(byte);
        dropCharacter_ = false;
        return {};
    }
    return {byteKey(byte)};
}

std::vector<Key> KeyTranslator::takeCharacterByte(TerminalInput input) {
    if (input.kind == TerminalInput::Kind::byte && isContinuationByte(input.byte)) {
        pending_ += static_cast<char>(input.byte);
        if (pending_.size() < needed_) return {};
        state_ = State::idle;
        if (dropCharacter_) return {altKey()};
        return {Key{std::move(pending_)}};
    }
    // The character broke off: what came of it stays as typed, and the input
    // that broke it counts on its own.
    std::vector<Key> keys = inputPaused();
    for (Key& key : takeIdle(input)) keys.push_back(std::move(key));
    return keys;
}

std::vector<Key> KeyTranslator::take(TerminalInput input) {
    const bool isByte = input.kind == TerminalInput::Kind::byte;
    switch (state_) {
        case State::idle:
            return takeIdle(input);
        case State::character:
            return takeCharacterByte(input);
        case State::afterEscape:
            state_ = State::idle;
            if (isByte && input.byte == '[') {
                state_ = State::controlSequence;
            } else if (isByte && input.byte == 'O') {
                state_ = State::singleShift;
            } else if (isByte && sequenceLength(input.byte) > 0) {
                // Alt with a key whose character takes several bytes.
                takeIdle(input);
                dropCharacter_ = true;
            } else {
                return {altKey()};
            }
            return {};
        case State::controlSequence:
            if (isByte && input.byte >= 0x20 && input.byte <= 0x3F) return {};  // parameters
            state_ = State::idle;
            // A final byte completes a key the terminal library has no name
            // for; it was still pressed, so it ends a wait for any key.
            if (isByte && input.byte >= 0x40 && input.byte <= 0x7E) return {Key{""}};
            return {};
        case State::singleShift:
            state_ = State::idle;
            return {Key{""}};
    }
    return {};
}

std::vector<Key> KeyTranslator::inputPaused() {
    const State was = state_;
    state_ = State::idle;
    if (was == State::afterEscape) return {Key{"\x1b"}};
    if (was == State::character && !dropCharacter_) return {Key{std::move(pending_)}};
    if (was != State::idle) return {altKey()};  // Alt with a key, or a sequence cut short
    return {};
}

}  // namespace trellmark
