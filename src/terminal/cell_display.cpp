#include "terminal/cell_display.hpp"

#include <cwchar>

#include "text/utf8.hpp"

namespace trellmark {
namespace {

constexpr char32_t controlPictures = U'\u2400';
constexpr char32_t deletePicture = U'\u2421';

bool isScalarValue(char32_t c) {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

}  // namespace

std::optional<char32_t> decodeCharacter(std::string_view text) {
    const std::size_t length = characterLength(text);
    if (length == 0 || length != text.size()) return std::nullopt;
    const auto lead = static_cast<unsigned char>(text[0]);
    if (length == 1) {
        if (lead >= 0x80) return std::nullopt;
        return lead;
    }
    // The lead byte keeps 7 - length bits of the value, each continuation 6.
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) value = (value << 6) | (text[i] & 0x3F);
    return value;
}

std::string encodeCharacter(char32_t c) {
    if (!isScalarValue(c)) c = unicodePlaceholder;
    std::string bytes;
    if (c < 0x80) {
        bytes += static_cast<char>(c);
    } else if (c < 0x800) {
        bytes += static_cast<char>(0xC0 | (c >> 6));
        bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        bytes += static_cast<char>(0xE0 | (c >> 12));
        bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | (c >> 18));
        bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (c & 0x3F));
    }
    return bytes;
}

char32_t displayCharacter(std::string_view cellText, bool unicode) {
    const std::optional<char32_t> decoded = decodeCharacter(cellText);
    if (!unicode) {
        if (decoded && *decoded >= 0x20 && *decoded < 0x7F) return *decoded;
        return asciiPlaceholder;
    }
    if (!decoded) return unicodePlaceholder;
    const char32_t c = *decoded;
    if (c < 0x20) return controlPictures + c;
    if (c == 0x7F) return deletePicture;
    if (c < 0x80) return c;
    if (c < 0xA0) return unicodePlaceholder;  // C1 controls
    if (wcwidth(static_cast<wchar_t>(c)) != 1) return unicodePlaceholder;
    return c;
}

std::vector<std::string> plainScreenLines(const Screen& screen, bool unicode) {
    std::vector<std::string> lines;
    std::size_t usedLines = 0;
    for (int row = 0; row < screen.rows; ++row) {
        std::string line;
        std::size_t usedBytes = 0;
        for (int column = 0; column < screen.columns; ++column) {
            const char32_t shown = displayCharacter(screen.at(column, row).text, unicode);
            line += encodeCharacter(shown);
            if (shown != U' ') usedBytes = line.size();
        }
        line.resize(usedBytes);
        if (!line.empty()) usedLines = lines.size() + 1;
        lines.push_back(std::move(line));
    }
    lines.resize(usedLines);
    return lines;
}

}  // namespace trellmark
