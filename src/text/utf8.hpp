#pragma once
// Text is kept as bytes; a character is a well-formed UTF-8 sequence or, where
// none begins, a single byte. Names found on disk and keys typed are split the
// same way, so a character takes one cell, one "?" and one Backspace.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace trellmark {

bool isContinuationByte(unsigned char byte);

// How many bytes a UTF-8 character beginning with `lead` has; 0 for a byte
// that cannot begin one of two bytes or more.
std::size_t sequenceLength(unsigned char lead);

// Length of the well-formed UTF-8 sequence at the start of bytes; 1 when the
// first byte begins none (overlong forms, surrogates and values above U+10FFFF
// are not well formed); 0 for empty bytes.
std::size_t characterLength(std::string_view bytes);

std::vector<std::string> splitCharacters(std::string_view bytes);

// The text with every control character (C0, DEL and C1, whether a lone byte
// or encoded) as "?": what a file name may hold must never drive a terminal.
std::string printableText(std::string_view bytes);

}  // namespace trellmark
