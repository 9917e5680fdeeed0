#pragma once
// Reads the recordings: four header fields at fixed offsets, samples from
// offset 44 on, no chunk parsing. Reading at fixed offsets keeps every figure
// comparable with the reports of earlier runs over the same files; a chunk
// parser would read some of them differently. Data that is not there reads as
// 0, and only the bytes a file really holds are ever loaded.

#include <cstdint>
#include <string>
#include <vector>

#include "wave/wave_info.hpp"

namespace trellmark {

// What the run knows of one file besides its header fields.
struct WaveFile {
    std::string path;
    bool opened = false;        // false: the file could not be opened and reads as empty
    std::int64_t fileSize = 0;  // bytes
    // Sample values with at least one byte in the file, at most sampleCount;
    // 0 unless the file has 16 or 24 bits per sample.
    std::int64_t valuesInFile = 0;
};

// The header fields from the first 44 bytes of a file (bytes past the end of a
// short file count as 0), with sampleCount computed.
WaveInfo READHEADER(const unsigned char header[44]);

// Opens the file, reads its header into info and closes it again. A file that
// cannot be opened reads as an empty one: every header field 0.
WaveFile READWAVEFILE(const std::string& path, WaveInfo& info);

// Sample values first .. first + count - 1 of the file, channels interleaved as
// stored, decoded at info's bit depth (16 or 24 bits; any other depth gives
// zeros). Every index outside 0 .. sampleCount - 1, and every byte past the end
// of the file, reads as 0. Opens the file and reads the range in one block.
// values is resized to count (0 when count is negative).
void LOADARRAY(const WaveFile& file, const WaveInfo& info, std::int64_t first, std::int64_t count,
               std::vector<std::int32_t>& values);

// Decoding of one stored value.
std::int32_t decode16(const unsigned char* bytes);
std::int32_t decode24(const unsigned char* bytes);

}  // namespace trellmark
