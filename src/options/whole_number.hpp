#pragma once
// Numbers given as options: strict, unlike the dialogue's answers, because a
// script's typing mistake must stop the run rather than change its figures.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trellmark {

// The value of a whole decimal number ("-12", "+7", "0042"), nothing for
// anything else: blanks, a point, an exponent, letters, or a value beyond 64
// bits.
std::optional<std::int64_t> parseWholeNumber(std::string_view text);

// The option's value when it is a whole number from lowest to highest;
// otherwise nothing, and `problem` is the message for the user, e.g.
// "--length: '12abc' is not a whole number".
std::optional<std::int64_t> wholeNumberOption(std::string_view option, std::string_view text,
                                              std::int64_t lowest, std::int64_t highest,
                                              std::string& problem);

}  // namespace trellmark
