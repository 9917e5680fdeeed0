#pragma once
// Recordings in the containers libsndfile reads for us: FLAC, AIFF/AIFC, W64
// and CAF. Values come out in the file's own units, one channel of them.

#include <cstdint>
#include <memory>
#include <vector>

#include "wave/wave_info.hpp"

namespace trellmark {

struct SoundFile;  // an open file of the library's
struct SoundFileCloser {
    void operator()(SoundFile* file) const;
};
using SoundFileHandle = std::unique_ptr<SoundFile, SoundFileCloser>;

// Opens the recording on descriptor fd (which stays the caller's and must stay
// open while the handle lives) and fills the format fields of info (dataSize
// and sampleCount from the frames the file holds, dataOffset 0). Null, with
// info untouched, when it is none of the containers above.
SoundFileHandle openSoundFile(int fd, WaveInfo& info);

// Values first .. first + count - 1 (all within the file) of the channel
// `channel` into buffer (which only grows): 32-bit integers in the file's units
// for an integer file, 64-bit floats as stored for a float one. Returns how
// many arrived; a damaged file may give fewer.
std::int64_t readSoundValues(SoundFile& file, int channel, std::int64_t first, std::int64_t count,
                             std::vector<unsigned char>& buffer);

}  // namespace trellmark
