#pragma once
// Turns the bytes and named keys a terminal delivers into the key presses the
// console expects. A character typed on a UTF-8 terminal arrives as several
// bytes; Alt+letter arrives as ESC followed at once by the letter; keys the
// terminal library has no name for arrive as ESC [ ... sequences. None of
// these may end up in a typed line as loose bytes.

#include <string>
#include <vector>

#include "console/key_source.hpp"

namespace trellmark {

struct TerminalInput {
    enum class Kind {
        byte,          // `byte` is one byte the terminal sent
        enterKey,      // the keypad's Enter
        backspaceKey,  // the Backspace key as the terminal library names it
        otherKey,      // any other named key: cursor, function, editing keys
    };
    Kind kind = Kind::byte;
    unsigned char byte = 0;
};

class KeyTranslator {
  public:
    // Takes the next input read from the terminal and returns the key presses
    // it completes, oldest first (usually none or one). Enter comes out as
    // "\r", Backspace as "\b", a named key without a character as an empty
    // key, any other character as its bytes. Bytes that form no character
    // come out as they are: the text is kept as typed.
    std::vector<Key> take(TerminalInput input);
    // True while the meaning of what was taken depends on what follows at
    // once (after an ESC, inside a character's bytes); the caller then waits
    // only briefly for more input.
    bool waitingForMore() const { return state_ != State::idle; }
    // No input followed at once: a lone ESC is the Escape key itself, the
    // bytes of an unfinished character come out as they are, an unfinished
    // sequence is dropped.
    std::vector<Key> inputPaused();

  private:
    enum class State { idle, afterEscape, controlSequence, singleShift, character };

    std::vector<Key> takeIdle(TerminalInput input);
    std::vector<Key> takeCharacterByte(TerminalInput input);

    State state_ = State::idle;
    // The bytes of a character begun but not finished, how many it needs, and
    // whether it belongs to an Alt key and is to be dropped.
    std::string pending_;
    std::size_t needed_ = 0;
    bool dropCharacter_ = false;
};

}  // namespace trellmark
