#pragma once
// Reads the recordings: a wave file by its RIFF chunks, FLAC, AIFF, W64 and
// CAF through libsndfile, one channel of them. A canonical 16- or 24-bit mono
// file (44-byte header) reads exactly as it always has, so figures stay
// comparable with the reports of earlier runs. Data that is not there reads
// as 0, and only the bytes a file really holds are ever loaded.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "wave/riff_chunks.hpp"
#include "wave/sound_file.hpp"
#include "wave/wave_info.hpp"

namespace trellmark {

// How values are stored in the bytes a read hands out.
enum class ValueCoding : std::uint8_t {
    none,       // no values: everything reads as 0
    unsigned8,  // 8-bit, 128 is 0
    signed16,   // little-endian two's complement
    signed24,
    signed32,
    float32,  // little-endian IEEE float, 1.0 the full scale
    float64,
};

// Bytes of one value of the coding; 0 for none.
int codingWidth(ValueCoding coding);

// Float values are handed out in steps of a 24-bit LSB: times 2^23.
constexpr double floatUnit = 8388608.0;

// What the run knows of one file besides its format fields.
struct WaveFile {
    std::string path;
    bool opened = false;        // false: the file could not be opened and reads as empty
    std::int64_t fileSize = 0;  // bytes
    // Values of the channel read with at least one byte in the file, at most
    // sampleCount; 0 when the values cannot be read.
    std::int64_t valuesInFile = 0;
    WaveProblem problem = WaveProblem::none;  // of the file's layout
    bool dataCut = false;                     // the data runs past the end of the file
    ValueCoding coding = ValueCoding::none;   // of the values read
    std::int64_t stride = 0;                  // bytes from one value of the channel to the next
};

// A file held open while several ranges of it are loaded: a take then costs
// one open, and the read buffer is kept from one load (and file) to the next.
struct HeldWave {
    WaveFile file;
    int descriptor = -1;               // owned; closed by the next openWave or the end
    SoundFileHandle sound;             // set for a file read through libsndfile
    std::vector<unsigned char> bytes;  // read buffer; only grows

    HeldWave() = default;
    HeldWave(const HeldWave&) = delete;
    HeldWave& operator=(const HeldWave&) = delete;
    ~HeldWave();
};

// Opens the file, reads its format into info and leaves it open in held,
// closing the one held before; `channel` (from 0) is the channel whose values
// are read. A file that cannot be opened reads as an empty one: every field 0.
// A channel the file does not have reads as 0.
void openWave(HeldWave& held, const std::string& path, WaveInfo& info, int channel = 0);

// A range of values as stored: loaded in two steps, so that the bytes can be
// read on one thread and decoded on another.
struct StoredValues {
    std::int64_t first = 0;  // the range asked for: count values from first
    std::int64_t count = 0;
    ValueCoding coding = ValueCoding::none;  // none when nothing of the range is stored
    int bytesPerValue = 0;                   // codingWidth(coding)
    int stride = 0;                          // bytes from one value to the next in bytes
    std::int64_t begin = 0;                  // values begin .. end - 1 lie in the file,
    std::int64_t end = 0;
    std::span<const unsigned char> bytes;  // and these of their bytes arrived: a view of the
                                           // caller's buffer, valid while it is unchanged
};

// Reads the stored bytes of the range into buffer, which only grows.
StoredValues readStored(const HeldWave& held, const WaveInfo& info, std::int64_t first,
                        std::int64_t count, std::vector<unsigned char>& buffer);

// The count values of the range, values is resized to count: those outside
// the data and every byte past the end of the file read as 0. The integer
// form is for integer codings (float values read as 0 there); the other gives
// every coding, floats times floatUnit.
void decodeStored(const StoredValues& stored, std::vector<std::int32_t>& values);
void decodeStored(const StoredValues& stored, std::vector<double>& values);

// The index (from first) of the first of those values strictly above
// threshold, count when there is none; found without decoding them into an
// array.
std::int64_t firstStoredAbove(const StoredValues& stored, std::int32_t threshold);

// What makes a float value unusable, the worst found first.
enum class FloatProblem : std::uint8_t { none, beyondRange, infinite, notANumber };
// Beyond 256 times full scale a float value is no recording's.
constexpr double floatLimit = 256.0;
// The worst problem among the stored values of a float coding; none for others.
FloatProblem floatProblemIn(const StoredValues& stored);

// The range decoded from the file held open: readStored, then decodeStored.
void loadValues(HeldWave& held, const WaveInfo& info, std::int64_t first, std::int64_t count,
                std::vector<std::int32_t>& values);
void loadValues(HeldWave& held, const WaveInfo& info, std::int64_t first, std::int64_t count,
                std::vector<double>& values);

// Decoding of one stored value.
std::int32_t decode16(const unsigned char* bytes);
std::int32_t decode24(const unsigned char* bytes);

}  // namespace trellmark
