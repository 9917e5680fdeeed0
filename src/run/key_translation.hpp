#pragma once
// Turns what the terminal delivers into the key presses the console expects.
// A terminal sends Alt+letter as ESC followed at once by the letter, and keys it
// has no name for as ESC [ ... sequences; both arrive as separate characters
// and must not end up in a typed line.

#include <optional>

#include "run/key_source.hpp"

namespace trellmark {

struct TerminalInput {
    enum class Kind {
        character,     // `character` holds the character typed
        enterKey,      // the keypad's Enter
        backspaceKey,  // the Backspace key as the terminal names it
        otherKey,      // any other named key: cursor, function, editing keys
    };
    Kind kind = Kind::character;
    char32_t character = 0;
};

class KeyTranslator {
  public:
    // Takes the next input read from the terminal and returns the key press it
    // completes, if any. Enter comes out as "\r", Backspace as "\b", a named
    // key without a character as an empty key, any other character as its
    // UTF-8 bytes.
    std::optional<Key> take(TerminalInput input);
    // True while an ESC has been taken whose meaning depends on what follows
    // at once; the caller then waits only briefly for more input.
    bool waitingForMore() const { return state_ != State::idle; }
    // No input followed at once: a lone ESC is the Escape key itself; an
    // unfinished sequence is dropped.
    std::optional<Key> inputPaused();

  private:
    enum class State { idle, afterEscape, controlSequence, singleShift };
    State state_ = State::idle;
};

}  // namespace trellmark
