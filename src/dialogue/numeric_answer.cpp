#include "dialogue/numeric_answer.hpp"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace trellmark {
namespace {

bool isSkippedBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int digitValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// Digits of the given base up to the first one that does not belong.
double integerInBase(std::string_view digits, int base) {
    double value = 0;
    for (char c : digits) {
        int digit = digitValue(c);
        if (digit >= base) break;
        value = value * base + digit;
    }
    return value;
}

double prefixedValue(std::string_view rest) {
    if (rest.empty()) return 0;
    switch (rest[0]) {
        case 'H':
        case 'h':
            return integerInBase(rest.substr(1), 16);
        case 'B':
        case 'b':
            return integerInBase(rest.substr(1), 2);
        case 'O':
        case 'o':
        case 'Q':
        case 'q':
            return integerInBase(rest.substr(1), 8);
        default:
            return isDigit(rest[0]) ? integerInBase(rest, 8) : 0;
    }
}

// Sign, digits with at most one point, exponent; the longest prefix that fits
// is handed to strtod (with D turned into E) for a correctly rounded value.
double decimalValue(std::string_view text) {
    std::string accepted;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) accepted += text[i++];
    bool sawDigit = false;
    bool sawPoint = false;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i])) {
            sawDigit = true;
        } else if (text[i] == '.' && !sawPoint) {
            sawPoint = true;
        } else {
            break;
        }
        accepted += text[i];
    }
    if (!sawDigit) return 0;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
        std::size_t firstExponentDigit = j;
        while (j < text.size() && isDigit(text[j])) exponent += text[j++];
        if (j > firstExponentDigit) accepted += exponent;
    }
    return std::strtod(accepted.c_str(), nullptr);
}

}  // namespace

double answerValue(std::string_view answer) {
    std::size_t start = 0;
    while (start < answer.size() && isSkippedBlank(answer[start])) ++start;
    std::string_view text = answer.substr(start);
    if (!text.empty() && text[0] == '&') return prefixedValue(text.substr(1));
    return decimalValue(text);
}

std::int32_t answerToInt32(std::string_view answer) {
    double rounded = std::nearbyint(answerValue(answer));
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(rounded);
}

std::int16_t answerToInt16(std::string_view answer) {
    double rounded = std::nearbyint(answerValue(answer));
    if (!std::isfinite(rounded)) return 0;
    // Whole numbers are exact in a double, so the remainder is exact too.
    double low = std::fmod(rounded, 65536.0);
    if (low < 0) low += 65536.0;
    if (low >= 32768.0) low -= 65536.0;
    return static_cast<std::int16_t>(low);
}

}  // namespace trellmark
