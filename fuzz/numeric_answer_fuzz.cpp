// The dialogue's numeric answers on any text. Each function must keep what its
// header promises of the others: answerToInt32 is answerValue rounded half to
// even or the lowest 32-bit value, answerToInt16 the low 16 bits of the
// rounded value; a text without a digit is 0, leading blanks change nothing,
// and the &H, &B and &O prefixes read the digits up to the first that does not
// fit.

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "dialogue/numeric_answer.hpp"
#include "support/fuzz_check.hpp"

namespace trellmark::fuzz {
namespace {

bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isAsciiAlphanumeric(char c) {
    return isAsciiDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The low 16 bits of a whole number held in a double, as two's complement.
std::int16_t low16Bits(double whole) {
    // From 2^68 on every double is a multiple of 2^16.
    if (std::fabs(whole) >= 0x1p68) return 0;
    const auto exact = static_cast<__int128>(whole);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(exact & 0xFFFF));
}

// The digits of `base` at the start of text, as a whole number; nothing when
// there are more than fit exactly in a double.
std::optional<double> leadingDigits(std::string_view text, int base) {
    double value = 0;
    int digits = 0;
    for (const char c : text) {
        int digit = 99;
        if (isAsciiDigit(c)) digit = c - '0';
        if (c >= 'a' && c <= 'z') digit = c - 'a' + 10;
        if (c >= 'A' && c <= 'Z') digit = c - 'A' + 10;
        if (digit >= base) break;
        if (++digits > 13) return std::nullopt;  // 13 hexadecimal digits are 52 bits
        value = value * base + digit;
    }
    return value;
}

void checkPrefix(std::string_view text, char letter, int base) {
    const std::optional<double> expected = leadingDigits(text, base);
    if (!expected) return;
    const std::string answer = std::string("&") + letter + std::string(text);
    FUZZ_CHECK(answerValue(answer) == *expected);
}

}  // namespace
}  // namespace trellmark::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trellmark;
    using namespace trellmark::fuzz;
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    const double value = answerValue(answer);
    FUZZ_CHECK(!std::isnan(value));

    bool anyDigit = false;
    bool anyAlphanumeric = false;
    for (const char c : answer) {
        anyDigit = anyDigit || isAsciiDigit(c);
        anyAlphanumeric = anyAlphanumeric || isAsciiAlphanumeric(c);
    }
    // Letters are digits only after an & prefix.
    if (!anyAlphanumeric || (!anyDigit && answer.find('&') == std::string_view::npos)) {
        FUZZ_CHECK(value == 0);
    }

    const double rounded = std::nearbyint(value);
    const std::int32_t int32 = answerToInt32(answer);
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    if (rounded >= lowest && rounded <= highest) {
        FUZZ_CHECK(int32 == static_cast<std::int32_t>(rounded));
    } else {
        FUZZ_CHECK(int32 == std::numeric_limits<std::int32_t>::min());
    }
    if (std::isfinite(rounded)) FUZZ_CHECK(answerToInt16(answer) == low16Bits(rounded));

    const std::string blanked = "  " + std::string(answer);
    FUZZ_CHECK(answerValue(blanked) == value);

    checkPrefix(answer, 'H', 16);
    checkPrefix(answer, 'h', 16);
    checkPrefix(answer, 'B', 2);
    checkPrefix(answer, 'O', 8);
    return 0;
}
