#include "text/utf8.hpp"

namespace trellmark {

bool isContinuationByte(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

std::size_t characterLength(std::string_view bytes) {
    if (bytes.empty()) return 0;
    auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byteAt(0);
    const std::size_t length = sequenceLength(lead);
    if (length == 0) return 1;
    // Bounds of the second byte: they exclude overlong forms, surrogates and
    // values above U+10FFFF.
    unsigned char lowest = 0x80;
    unsigned char highest = 0xBF;
    if (lead == 0xE0) lowest = 0xA0;
    if (lead == 0xED) highest = 0x9F;
    if (lead == 0xF0) lowest = 0x90;
    if (lead == 0xF4) highest = 0x8F;
    if (bytes.size() < length) return 1;
    if (byteAt(1) < lowest || byteAt(1) > highest) return 1;
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuationByte(byteAt(i))) return 1;
    }
    return length;
}

std::vector<std::string> splitCharacters(std::string_view bytes) {
    std::vector<std::string> characters;
    while (!bytes.empty()) {
        std::size_t length = characterLength(bytes);
        characters.emplace_back(bytes.substr(0, length));
        bytes.remove_prefix(length);
    }
    return characters;
}

std::string printableText(std::string_view bytes) {
    std::string shown;
    shown.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t length = characterLength(bytes);
        const auto lead = static_cast<unsigned char>(bytes[0]);
        const bool c0 = length == 1 && (lead < 0x20 || lead == 0x7F);
        const bool c1 =
            (length == 1 && lead >= 0x80 && lead <= 0x9F) ||
            (length == 2 && lead == 0xC2 && static_cast<unsigned char>(bytes[1]) <= 0x9F);
        if (c0 || c1) {
            shown += '?';
        } else {
            shown.append(bytes.substr(0, length));
        }
        bytes.remove_prefix(length);
    }
    return shown;
}

}  // namespace trellmark
