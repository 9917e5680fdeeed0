#include "run/utf8.hpp"

namespace trellmark {

bool isContinuationByte(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

std::size_t characterLength(std::string_view bytes) {
    if (bytes.empty()) return 0;
    auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    unsigned char lead = byteAt(0);
    std::size_t length = 0;
    unsigned char lowest = 0x80;  // bounds of the second byte
    unsigned char highest = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) lowest = 0xA0;
        if (lead == 0xED) highest = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) lowest = 0x90;
        if (lead == 0xF4) highest = 0x8F;
    } else {
        return 1;
    }
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

}  // namespace trellmark
