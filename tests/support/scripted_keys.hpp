#pragma once
// Key presses for tests: a queue filled before (or between) the calls that read
// it. Once the queue is empty nextKey returns nothing, which the console takes
// as the end of input, so a test never blocks.
//
//   ScriptedKeys keys;
//   keys.line("/data/ref");   // typed characters, then Enter
//   keys.type("ab\b");        // one key per character: 'a', 'b', Backspace
//   keys.functionKey();       // a key that produces no character
//   Console console(keys, nullptr);

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "console/key_source.hpp"
#include "console/screen.hpp"

namespace trellmark {

class ScriptedKeys : public KeySource {
  public:
    // One key per character; a UTF-8 sequence is one key, "\r" is Enter and
    // "\b" Backspace.
    void type(std::string_view text) {
        for (std::string& character : splitCharacters(text)) keys_.push_back(Key{character});
    }
    // The text, then Enter.
    void line(std::string_view text) {
        type(text);
        keys_.push_back(Key{"\r"});
    }
    void key(Key key) { keys_.push_back(std::move(key)); }
    void functionKey() { keys_.push_back(Key{""}); }
    // Keys not yet taken.
    std::size_t remaining() const { return keys_.size(); }

    std::optional<Key> nextKey() override {
        if (keys_.empty()) return std::nullopt;
        Key key = std::move(keys_.front());
        keys_.pop_front();
        return key;
    }
    void unreadKey(Key key) override { keys_.push_front(std::move(key)); }

  private:
    std::deque<Key> keys_;
};

}  // namespace trellmark
