#pragma once
// Typed answers to the numeric questions become numbers: leading blanks
// skipped, &H/&B/&O prefixes, a stop at the first character that does not fit,
// rounding half to even. The dialogue never rejects an answer (there is no way
// back to a question once it is answered), so every text has a value: what a
// user typed by habit ("44100 samples", "95%") means what it says.

#include <cstdint>
#include <string_view>

namespace trellmark {

// The value of the text before rounding; 0 when no digit was read.
double answerValue(std::string_view answer);

// Rounded to the nearest whole number; outside the 32-bit range gives -2147483648.
std::int32_t answerToInt32(std::string_view answer);

// Rounded, then reduced to its low 16 bits (two's complement).
std::int16_t answerToInt16(std::string_view answer);

}  // namespace trellmark
