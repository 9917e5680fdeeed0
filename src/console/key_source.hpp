#pragma once
// Where key presses come from: the terminal, or a script in tests.

#include <optional>
#include <string>

namespace trellmark {

struct Key {
    // The character the key produced, as UTF-8 bytes: "\r" for Enter, "\b" for
    // Backspace, "\x03" for Ctrl+C. Empty for a key that produces no character
    // (a function key or a cursor key).
    std::string text;
};

class KeySource {
  public:
    virtual ~KeySource() = default;
    // Blocks until a key press is available and takes it. Keys pressed while the
    // program was busy are kept and come out first, in order. Returns nothing
    // when no key can ever come again (the script or the terminal has ended).
    virtual std::optional<Key> nextKey() = 0;
    // Takes a key press only if one is waiting, never blocking: for work that
    // runs long and may be stopped. A source that cannot tell has none.
    virtual std::optional<Key> keyIfWaiting() { return std::nullopt; }
    // Puts a key back so that the next nextKey returns it again.
    virtual void unreadKey(Key key) = 0;
};

}  // namespace trellmark
