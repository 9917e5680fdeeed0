#pragma once
// What a screen cell shows on a terminal. The screen model keeps every cell's
// bytes as they were written (a file name may hold a tab or a broken UTF-8
// sequence); the terminal must never receive them raw, and every cell must take
// exactly one column, or the rest of the row would slide out of place.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/screen.hpp"

namespace trellmark {

// Shown for a byte that is no valid character, and for a character that does
// not take exactly one column, when the terminal speaks UTF-8.
constexpr char32_t unicodePlaceholder = U'\uFFFD';
// The same for a terminal that only shows ASCII.
constexpr char32_t asciiPlaceholder = U'?';

// The code point of `text` when it is exactly one character: a single ASCII
// byte or one complete, shortest-form UTF-8 sequence of a scalar value.
std::optional<char32_t> decodeCharacter(std::string_view text);

// UTF-8 bytes of a scalar value; a surrogate or a value above U+10FFFF gives
// the bytes of U+FFFD.
std::string encodeCharacter(char32_t character);

// The one-column character a cell shows. With `unicode`, control bytes show as
// their control pictures (U+2400 on), anything else that is not one column wide
// under the current locale as U+FFFD; without, everything outside printable
// ASCII shows as "?".
char32_t displayCharacter(std::string_view cellText, bool unicode);

// The screen as plain text lines, as left behind in the terminal when the
// program ends: every cell as displayCharacter shows it, trailing blanks of a
// row trimmed, trailing empty rows dropped.
std::vector<std::string> plainScreenLines(const Screen& screen, bool unicode);

}  // namespace trellmark
