#pragma once
// The analysis window of renders compared from their first sample, when no
// length is given: as long as the shortest take, so that every take fills it.

#include <cstdint>
#include <string>

#include "analysis/file_set.hpp"

namespace trellmark {

struct RenderLengths {
    std::int64_t shortest = 0;  // samples of the channel analysed; 0 when no take is readable
    std::int64_t longest = 0;
};

// Over the readable takes of both sets (a take that cannot be read is noted
// when it is read).
RenderLengths renderLengthsOf(const FileSet& reference, const FileSet& comparison, int channel);

// "the renders differ in length: 44100 to 48000 samples; the first 44100 are compared"
std::string lengthNote(const RenderLengths& lengths, std::int64_t start);

}  // namespace trellmark
