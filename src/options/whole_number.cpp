#include "options/whole_number.hpp"

#include <charconv>

namespace trellmark {

std::optional<std::int64_t> parseWholeNumber(std::string_view text) {
    // An optional sign, then digits only. from_chars takes a minus sign but not
    // a plus sign, so the plus is dropped once the form is known to be right.
    const std::size_t first = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
    if (text.size() == first) return {};
    for (std::size_t i = first; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return {};
    }
    if (text[0] == '+') text.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return {};
    return value;
}

std::optional<std::int64_t> wholeNumberOption(std::string_view option, std::string_view text,
                                              std::int64_t lowest, std::int64_t highest,
                                              std::string& problem) {
    const std::string quoted = std::string(option) + ": '" + std::string(text) + "'";
    const std::optional<std::int64_t> value = parseWholeNumber(text);
    if (!value) {
        // Digits past the range of any number the program takes are a number
        // all the same: too large (or too small), not malformed.
        const bool digits = text.find_first_not_of("+-0123456789") == std::string_view::npos &&
                            text.find_first_of("0123456789") != std::string_view::npos &&
                            text.find_first_of("+-", 1) == std::string_view::npos;
        if (digits) {
            problem = quoted + (text[0] == '-' ? " is too small" : " is too large") + " (" +
                      std::to_string(lowest) + " to " + std::to_string(highest) + ")";
            return {};
        }
        problem = quoted + " is not a whole number";
        return {};
    }
    if (*value < lowest || *value > highest) {
        problem = quoted + " is out of range (" + std::to_string(lowest) + " to " +
                  std::to_string(highest) + ")";
        return {};
    }
    return value;
}

}  // namespace trellmark
