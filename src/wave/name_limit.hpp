#pragma once
// File names are used up to a fixed length when a file is opened, the way the
// program has always done; the name shown to the user stays whole.

#include <cstddef>
#include <string>

namespace trellmark {

constexpr std::size_t maxNameCharacters = 255;

// The first 255 characters of name, a UTF-8 sequence counting as one character
// so that a name is never cut inside one.
inline std::string nameToOpen(const std::string& name) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(name[i]) & 0xC0) == 0x80;
        if (continuation) continue;
        if (characters == maxNameCharacters) return name.substr(0, i);
        ++characters;
    }
    return name;
}

}  // namespace trellmark
