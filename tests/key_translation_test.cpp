#include "run/key_translation.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trellmark {
namespace {

using Kind = TerminalInput::Kind;

TerminalInput typed(char32_t c) {
    return TerminalInput{Kind::character, c};
}

// Feeds every input in turn, with a pause after the last one, and collects the
// keys that come out, each as its text.
std::vector<std::string> keysOf(const std::vector<TerminalInput>& inputs) {
    KeyTranslator translator;
    std::vector<std::string> keys;
    for (const TerminalInput& input : inputs) {
        if (std::optional<Key> key = translator.take(input)) keys.push_back(key->text);
    }
    if (std::optional<Key> key = translator.inputPaused()) keys.push_back(key->text);
    EXPECT_FALSE(translator.waitingForMore());
    return keys;
}

using Keys = std::vector<std::string>;

TEST(KeyTranslation, EveryEnterIsCarriageReturn) {
    EXPECT_EQ(keysOf({typed(U'\r')}), Keys{"\r"});
    EXPECT_EQ(keysOf({typed(U'\n')}), Keys{"\r"});
    EXPECT_EQ(keysOf({TerminalInput{Kind::enterKey, 0}}), Keys{"\r"});
}

TEST(KeyTranslation, EveryBackspaceIsBackspace) {
    EXPECT_EQ(keysOf({typed(0x7F)}), Keys{"\b"});
    EXPECT_EQ(keysOf({typed(0x08)}), Keys{"\b"});
    EXPECT_EQ(keysOf({TerminalInput{Kind::backspaceKey, 0}}), Keys{"\b"});
}

TEST(KeyTranslation, CharactersComeOutAsTheirBytes) {
    EXPECT_EQ(keysOf({typed(U'a'), typed(U' '), typed(U'~')}), (Keys{"a", " ", "~"}));
    EXPECT_EQ(keysOf({typed(U'\u00E9')}), Keys{"\xC3\xA9"});
    EXPECT_EQ(keysOf({typed(U'\u4E2D')}), Keys{"\xE4\xB8\xAD"});
    EXPECT_EQ(keysOf({typed(U'\U0001F600')}), Keys{"\xF0\x9F\x98\x80"});
    // Control characters pass as they are; the console decides to ignore them.
    EXPECT_EQ(keysOf({typed(3), typed(U'\t'), typed(0)}),
              (Keys{"\x03", "\t", std::string(1, '\0')}));
    // A value that is no character is still a key press.
    EXPECT_EQ(keysOf({typed(0xD800)}), Keys{""});
}

TEST(KeyTranslation, NamedKeysWithoutCharacterAreEmptyKeys) {
    EXPECT_EQ(keysOf({TerminalInput{Kind::otherKey, 0}, typed(U'x')}), (Keys{"", "x"}));
}

TEST(KeyTranslation, LoneEscapeIsTheEscapeKey) {
    KeyTranslator translator;
    EXPECT_EQ(translator.take(typed(0x1B)), std::nullopt);
    EXPECT_TRUE(translator.waitingForMore());
    std::optional<Key> key = translator.inputPaused();
    ASSERT_TRUE(key);
    EXPECT_EQ(key->text, "\x1b");
    EXPECT_FALSE(translator.waitingForMore());
    EXPECT_EQ(translator.take(typed(U'a'))->text, "a");
}

TEST(KeyTranslation, AltWithAKeyIsDiscardedWhole) {
    EXPECT_EQ(keysOf({typed(0x1B), typed(U'x')}), Keys{});
    EXPECT_EQ(keysOf({typed(0x1B), typed(U'x'), typed(U'y')}), Keys{"y"});
    EXPECT_EQ(keysOf({typed(0x1B), typed(U'\r'), typed(U'k')}), Keys{"k"});
    EXPECT_EQ(keysOf({typed(0x1B), typed(0x1B), typed(U'k')}), Keys{"k"});
    EXPECT_EQ(keysOf({typed(0x1B), TerminalInput{Kind::otherKey, 0}, typed(U'k')}), Keys{"k"});
    // Alt+[ and Alt+O, with nothing after them.
    EXPECT_EQ(keysOf({typed(0x1B), typed(U'[')}), Keys{});
    EXPECT_EQ(keysOf({typed(0x1B), typed(U'O')}), Keys{});
}

TEST(KeyTranslation, UnnamedKeySequencesAreOneEmptyKey) {
    // Ctrl+F1 on some terminals, then a typed letter.
    EXPECT_EQ(keysOf({typed(0x1B), typed(U'['), typed(U'1'), typed(U';'), typed(U'5'), typed(U'P'),
                      typed(U'z')}),
              (Keys{"", "z"}));
    EXPECT_EQ(
        keysOf({typed(0x1B), typed(U'['), typed(U'2'), typed(U'0'), typed(U'0'), typed(U'~')}),
        Keys{""});
    EXPECT_EQ(keysOf({typed(0x1B), typed(U'O'), typed(U'P'), typed(U'q')}), (Keys{"", "q"}));
    // A sequence broken off by a character that cannot belong to it.
    EXPECT_EQ(keysOf({typed(0x1B), typed(U'['), typed(U'1'), typed(3), typed(U'q')}), Keys{"q"});
}

}  // namespace
}  // namespace trellmark
