#include "terminal/key_translation.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trellmark {
namespace {

using Kind = TerminalInput::Kind;
using Keys = std::vector<std::string>;

const TerminalInput enterKey{Kind::enterKey, 0};
const TerminalInput backspaceKey{Kind::backspaceKey, 0};
const TerminalInput otherKey{Kind::otherKey, 0};

// Every byte of `bytes` as the terminal sends it.
std::vector<TerminalInput> sent(std::string_view bytes) {
    std::vector<TerminalInput> inputs;
    for (char byte : bytes)
        inputs.push_back(TerminalInput{Kind::byte, static_cast<unsigned char>(byte)});
    return inputs;
}

std::vector<TerminalInput> operator+(std::vector<TerminalInput> first,
                                     const std::vector<TerminalInput>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// Feeds every input in turn, then a pause, and collects the keys' texts.
Keys keysOf(const std::vector<TerminalInput>& inputs) {
    KeyTranslator translator;
    Keys keys;
    for (const TerminalInput& input : inputs) {
        for (const Key& key : translator.take(input)) keys.push_back(key.text);
    }
    for (const Key& key : translator.inputPaused()) keys.push_back(key.text);
    EXPECT_FALSE(translator.waitingForMore());
    return keys;
}

TEST(KeyTranslation, EnterIsCarriageReturnAndCtrlJStaysALineFeed) {
    EXPECT_EQ(keysOf(sent("\r")), Keys{"\r"});
    // A pasted CR LF must end one line, not two.
    EXPECT_EQ(keysOf(sent("\n")), Keys{"\n"});
    EXPECT_EQ(keysOf(sent("7\r\n")), (Keys{"7", "\r", "\n"}));
    EXPECT_EQ(keysOf({enterKey}), Keys{"\r"});
}

TEST(KeyTranslation, EveryBackspaceIsBackspace) {
    EXPECT_EQ(keysOf(sent("\x7f")), Keys{"\b"});
    EXPECT_EQ(keysOf(sent("\b")), Keys{"\b"});
    EXPECT_EQ(keysOf({backspaceKey}), Keys{"\b"});
}

TEST(KeyTranslation, AsciiAndControlBytesAreKeysOfTheirOwn) {
    EXPECT_EQ(keysOf(sent("a ~")), (Keys{"a", " ", "~"}));
    // Control characters pass as they are; the console decides to ignore them.
    EXPECT_EQ(keysOf(sent(std::string_view("\x03\t\0", 3))),
              (Keys{"\x03", "\t", std::string(1, '\0')}));
    EXPECT_EQ(keysOf(std::vector{otherKey} + sent("x")), (Keys{"", "x"}));
}

TEST(KeyTranslation, Utf8CharactersComeOutWhole) {
    EXPECT_EQ(keysOf(sent("\xC3\xA9")), Keys{"\xC3\xA9"});
    EXPECT_EQ(keysOf(sent("a\xE4\xB8\xAD") + sent("b")), (Keys{"a", "\xE4\xB8\xAD", "b"}));
    EXPECT_EQ(keysOf(sent("\xF0\x9F\x98\x80\xC3\xA9")), (Keys{"\xF0\x9F\x98\x80", "\xC3\xA9"}));
}

TEST(KeyTranslation, BytesThatFormNoCharacterStayAsTyped) {
    // A lone continuation byte, a byte that begins nothing, a character broken
    // off by the next key, and one cut short by a pause.
    EXPECT_EQ(keysOf(sent("\xA9") + sent("a")), (Keys{"\xA9", "a"}));
    EXPECT_EQ(keysOf(sent("\xC0\xFF")), (Keys{"\xC0", "\xFF"}));
    EXPECT_EQ(keysOf(sent("\xE4\xB8") + sent("a")), (Keys{"\xE4\xB8", "a"}));
    EXPECT_EQ(keysOf(sent("\xE4\xB8\r")), (Keys{"\xE4\xB8", "\r"}));
    EXPECT_EQ(keysOf(sent("\xC3") + sent("\xC3\xA9")), (Keys{"\xC3", "\xC3\xA9"}));
    EXPECT_EQ(keysOf(sent("\xC3") + std::vector{enterKey}), (Keys{"\xC3", "\r"}));
    EXPECT_EQ(keysOf(sent("\xE4\xB8")), Keys{"\xE4\xB8"});
}

TEST(KeyTranslation, ALatinOneByteStaysACharacterOfItsOwn) {
    EXPECT_EQ(keysOf(sent("caf\xE9")), (Keys{"c", "a", "f", "\xE9"}));
    EXPECT_EQ(keysOf(sent("\xE9t\xE9")), (Keys{"\xE9", "t", "\xE9"}));
}

TEST(KeyTranslation, LoneEscapeIsTheEscapeKey) {
    KeyTranslator translator;
    EXPECT_TRUE(translator.take(TerminalInput{Kind::byte, 0x1B}).empty());
    EXPECT_TRUE(translator.waitingForMore());
    const std::vector<Key> keys = translator.inputPaused();
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].text, "\x1b");
    EXPECT_FALSE(translator.waitingForMore());
    ASSERT_EQ(translator.take(TerminalInput{Kind::byte, 'a'}).size(), 1u);
}

// Alt with a key types nothing, but it is a key press: one key without a
// character, which the line input ignores and the final wait takes.
TEST(KeyTranslation, AltWithAKeyIsOneKeyWithoutACharacter) {
    EXPECT_EQ(keysOf(sent("\x1bx")), Keys{""});
    EXPECT_EQ(keysOf(sent("\x1bxy")), (Keys{"", "y"}));
    EXPECT_EQ(keysOf(sent("\x1b\rk")), (Keys{"", "k"}));
    EXPECT_EQ(keysOf(sent("\x1b\x1bk")), (Keys{"", "k"}));
    EXPECT_EQ(keysOf(sent("\x1b") + std::vector{otherKey} + sent("k")), (Keys{"", "k"}));
    EXPECT_EQ(keysOf(sent("\x1b\xC3\xA9k")), (Keys{"", "k"}));
    EXPECT_EQ(keysOf(sent("\x1b\xE4\xB8")), Keys{""});
    EXPECT_EQ(keysOf(sent("\x1b\xA9k")), (Keys{"", "k"}));
    // Alt+[ and Alt+O, with nothing after them.
    EXPECT_EQ(keysOf(sent("\x1b[")), Keys{""});
    EXPECT_EQ(keysOf(sent("\x1bO")), Keys{""});
}

TEST(KeyTranslation, UnnamedKeySequencesAreOneEmptyKey) {
    // Ctrl+F1 on some terminals, then a typed letter.
    EXPECT_EQ(keysOf(sent("\x1b[1;5Pz")), (Keys{"", "z"}));
    EXPECT_EQ(keysOf(sent("\x1b[200~")), Keys{""});
    EXPECT_EQ(keysOf(sent("\x1bOPq")), (Keys{"", "q"}));
    // A sequence broken off by a byte that cannot belong to it.
    EXPECT_EQ(keysOf(sent("\x1b[1\x03q")), Keys{"q"});
}

}  // namespace
}  // namespace trellmark
