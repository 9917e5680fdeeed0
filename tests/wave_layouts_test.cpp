// Recordings of every layout the reader takes, each built byte by byte here
// (or written by libsndfile for its containers): the values read must be the
// values written, exactly for integers, floats times 2^23. Bad files each get
// their note and never a crash.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/take_reading.hpp"
#include "support/scratch_directory.hpp"
#include "support/wave_bytes.hpp"
#include "wave/wave_reader.hpp"

namespace trellmark {
namespace {

using namespace wavetest;
using testing::ScratchDirectory;
using Values = std::vector<double>;

// Per depth, values that reach both ends of the range and show a wrong byte
// order or sign; per channel c the values are these plus c * 3 (kept in range).
std::vector<std::int64_t> integersOf(int bits) {
    const std::int64_t top = (std::int64_t{1} << (bits - 1)) - 1;
    return {0, 1, -1, top - 3, -top - 1, top / 3, -top / 5, 100 % top, -42 % top};
}

std::vector<double> floatsOf() {
    // Exactly representable in 32 bits, one beyond full scale.
    return {0.0, 0.5, -0.25, 1.0, -1.0, 0.000030517578125, 1.75, -0.0078125};
}

// The data of frames of `channels` channels, channel c of frame i holding
// integersOf(bits)[i] + 3c, or floatsOf()[i] / (c + 1).
Bytes integerData(int bits, int channels) {
    Bytes data;
    for (const std::int64_t value : integersOf(bits)) {
        for (int c = 0; c < channels; ++c) appendInteger(data, bits, value - 3 * c * (value > 0));
    }
    return data;
}

Bytes floatData(int bits, int channels) {
    Bytes data;
    for (const double value : floatsOf()) {
        for (int c = 0; c < channels; ++c) appendFloat(data, bits, value / (c + 1));
    }
    return data;
}

Values expectedIntegers(int bits, int channel) {
    Values values;
    for (const std::int64_t value : integersOf(bits)) {
        values.push_back(static_cast<double>(value - 3 * channel * (value > 0)));
    }
    return values;
}

Values expectedFloats(int channel) {
    Values values;
    for (const double value : floatsOf()) values.push_back(value / (channel + 1) * 8388608.0);
    return values;
}

// A file written by libsndfile in one of its containers.
void writeSoundFile(const std::string& path, int format, int channels, int bits, bool floating) {
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    if (floating) {
        std::vector<double> frames;
        for (const double value : floatsOf()) {
            for (int c = 0; c < channels; ++c) frames.push_back(value / (c + 1));
        }
        sf_command(file, SFC_SET_NORM_DOUBLE, nullptr, SF_FALSE);
        sf_writef_double(file, frames.data(), static_cast<sf_count_t>(floatsOf().size()));
    } else {
        std::vector<int> frames;
        for (const std::int64_t value : integersOf(bits)) {
            for (int c = 0; c < channels; ++c) {
                const std::int64_t v = value - 3 * c * (value > 0);
                frames.push_back(static_cast<int>(static_cast<std::uint32_t>(v) << (32 - bits)));
            }
        }
        sf_writef_int(file, frames.data(), static_cast<sf_count_t>(integersOf(bits).size()));
    }
    sf_close(file);
}

struct Layout {
    const char* name;
    std::function<void(const std::string&)> write;
    int channel;
    Values expected;
    const char* format;
    int channels;
    int bits;
    std::int64_t dataOffset;  // -1: not checked (libsndfile's containers)
};

// A RIFF file of the chunks build gives.
std::function<void(const std::string&)> bytesOf(std::function<Bytes()> build) {
    return [build](const std::string& path) { writeBytes(path, riffFile(build())); };
}

Bytes dataChunk(const Bytes& data) {
    Bytes chunk;
    appendChunk(chunk, "data", data);
    return chunk;
}

Bytes fmtChunk(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits, int size = 16) {
    Bytes chunk;
    appendChunk(chunk, "fmt ", formatBody(tag, channels, 44100, bits, size));
    return chunk;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes chunk(const char* tag, std::size_t size) {
    Bytes bytes;
    appendChunk(bytes, tag, Bytes(size, 0x5A));
    return bytes;
}

// RF64: a ds64 chunk with the real sizes, the 32-bit fields all ones.
Bytes rf64File(const Bytes& data) {
    Bytes ds64;
    appendLittleEndian(ds64, 0xFFFFFFFFull + 7, 8);  // RIFF size: not looked at
    appendLittleEndian(ds64, data.size(), 8);
    appendLittleEndian(ds64, data.size() / 2, 8);
    appendLittleEndian(ds64, 0, 4);
    Bytes chunks;
    appendChunk(chunks, "ds64", ds64);
    chunks = chunks + fmtChunk(1, 1, 16);
    appendTag(chunks, "data");
    appendLittleEndian(chunks, 0xFFFFFFFF, 4);
    chunks = chunks + data + chunk("LIST", 6);  // a chunk after the data
    Bytes file = riffFile(chunks, "RF64");
    for (int i = 4; i < 8; ++i) file[i] = 0xFF;
    return file;
}

std::vector<Layout> layouts() {
    return {
        {"canonical 16-bit",
         bytesOf([] { return fmtChunk(1, 1, 16) + dataChunk(integerData(16, 1)); }), 0,
         expectedIntegers(16, 0), "WAV PCM", 1, 16, 44},
        {"LIST and an odd chunk before fmt", bytesOf([] {
             return chunk("LIST", 26) + chunk("bext", 5) + fmtChunk(1, 1, 24, 18) +
                    dataChunk(integerData(24, 1));
         }),
         0, expectedIntegers(24, 0), "WAV PCM", 1, 24, 12 + 34 + 14 + 26 + 8},
        {"chunks after the data", bytesOf([] {
             return fmtChunk(1, 1, 16) + dataChunk(integerData(16, 1)) + chunk("LIST", 9) +
                    chunk("id3 ", 30);
         }),
         0, expectedIntegers(16, 0), "WAV PCM", 1, 16, 44},
        {"extensible 24-bit with fact and JUNK", bytesOf([] {
             return fmtChunk(1, 1, 24, 40) + chunk("fact", 4) + chunk("JUNK", 3) +
                    dataChunk(integerData(24, 1));
         }),
         0, expectedIntegers(24, 0), "WAV PCM", 1, 24, 12 + 48 + 12 + 12 + 8},
        {"extensible float 32", bytesOf([] {
             return fmtChunk(3, 1, 32, 40) + chunk("fact", 4) + dataChunk(floatData(32, 1));
         }),
         0, expectedFloats(0), "WAV float", 1, 32, 12 + 48 + 12 + 8},
        {"float 32", bytesOf([] { return fmtChunk(3, 1, 32) + dataChunk(floatData(32, 1)); }), 0,
         expectedFloats(0), "WAV float", 1, 32, 44},
        {"float 64, fmt of 18",
         bytesOf([] { return fmtChunk(3, 1, 64, 18) + dataChunk(floatData(64, 1)); }), 0,
         expectedFloats(0), "WAV float", 1, 64, 46},
        {"8-bit unsigned", bytesOf([] { return fmtChunk(1, 1, 8) + dataChunk(integerData(8, 1)); }),
         0, expectedIntegers(8, 0), "WAV PCM", 1, 8, 44},
        {"32-bit", bytesOf([] { return fmtChunk(1, 1, 32) + dataChunk(integerData(32, 1)); }), 0,
         expectedIntegers(32, 0), "WAV PCM", 1, 32, 44},
        {"stereo 16-bit, channel 2",
         bytesOf([] { return fmtChunk(1, 2, 16) + dataChunk(integerData(16, 2)); }), 1,
         expectedIntegers(16, 1), "WAV PCM", 2, 16, 44},
        {"extensible stereo 24-bit, channel 1",
         bytesOf([] { return fmtChunk(1, 2, 24, 40) + dataChunk(integerData(24, 2)); }), 0,
         expectedIntegers(24, 0), "WAV PCM", 2, 24, 68},
        {"three channels of float 64, channel 3",
         bytesOf([] { return fmtChunk(3, 3, 64, 40) + dataChunk(floatData(64, 3)); }), 2,
         expectedFloats(2), "WAV float", 3, 64, 68},
        {"data size 0 in the last chunk: to the end",
         bytesOf([] { return fmtChunk(1, 1, 16) + dataChunk({}) + integerData(16, 1); }), 0,
         expectedIntegers(16, 0), "WAV PCM", 1, 16, 44},
        {"data size all ones: to the end", bytesOf([] {
             Bytes chunks = fmtChunk(1, 1, 24);
             appendTag(chunks, "data");
             appendLittleEndian(chunks, 0xFFFFFFFF, 4);
             return chunks + integerData(24, 1);
         }),
         0, expectedIntegers(24, 0), "WAV PCM", 1, 24, 44},
        {"RF64 with ds64",
         [](const std::string& path) { writeBytes(path, rf64File(integerData(16, 1))); }, 0,
         expectedIntegers(16, 0), "RF64 PCM", 1, 16, 12 + 36 + 24 + 8},
        {"FLAC 16-bit",
         [](const std::string& path) {
             writeSoundFile(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 16, false);
         },
         0, expectedIntegers(16, 0), "FLAC", 1, 16, -1},
        {"FLAC 24-bit stereo, channel 2",
         [](const std::string& path) {
             writeSoundFile(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2, 24, false);
         },
         1, expectedIntegers(24, 1), "FLAC", 2, 24, -1},
        {"AIFF 16-bit",
         [](const std::string& path) {
             writeSoundFile(path, SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, 16, false);
         },
         0, expectedIntegers(16, 0), "AIFF", 1, 16, -1},
        {"AIFC float",
         [](const std::string& path) {
             writeSoundFile(path, SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 1, 32, true);
         },
         0, expectedFloats(0), "AIFF float", 1, 32, -1},
        {"W64 32-bit",
         [](const std::string& path) {
             writeSoundFile(path, SF_FORMAT_W64 | SF_FORMAT_PCM_32, 1, 32, false);
         },
         0, expectedIntegers(32, 0), "W64 PCM", 1, 32, -1},
        {"CAF 8-bit",
         [](const std::string& path) {
             writeSoundFile(path, SF_FORMAT_CAF | SF_FORMAT_PCM_S8, 1, 8, false);
         },
         0, expectedIntegers(8, 0), "CAF", 1, 8, -1},
    };
}

TEST(WaveLayouts, EveryLayoutReadsTheValuesWrittenIntoIt) {
    ScratchDirectory dir;
    for (const Layout& layout : layouts()) {
        SCOPED_TRACE(layout.name);
        const std::string path = dir / "take";
        layout.write(path);

        HeldWave held;
        WaveInfo info;
        openWave(held, path, info, layout.channel);
        EXPECT_EQ(held.file.problem, WaveProblem::none);
        EXPECT_EQ(info.format, layout.format);
        EXPECT_EQ(info.channels, layout.channels);
        EXPECT_EQ(info.bitsPerSample, layout.bits);
        EXPECT_EQ(info.channel, layout.channel);
        if (layout.dataOffset >= 0) {
            EXPECT_EQ(info.dataOffset, layout.dataOffset);
        }
        const auto count = static_cast<std::int64_t>(layout.expected.size());
        EXPECT_EQ(info.sampleCount, count);
        EXPECT_EQ(held.file.valuesInFile, count);

        // One value before the data and two after read as 0.
        Values values{7, 7};
        loadValues(held, info, -1, count + 3, values);
        Values expected{0};
        expected.insert(expected.end(), layout.expected.begin(), layout.expected.end());
        expected.insert(expected.end(), {0, 0});
        EXPECT_EQ(values, expected);
        // Integer files give the same values as whole numbers.
        if (info.kind == SampleKind::integer) {
            std::vector<std::int32_t> whole;
            loadValues(held, info, -1, count + 3, whole);
            EXPECT_EQ(Values(whole.begin(), whole.end()), expected);
        }
        // The search finds the first value above a threshold in any layout.
        const StoredValues stored = readStored(held, info, 0, count, held.bytes);
        const auto above = std::find_if(layout.expected.begin(), layout.expected.end(),
                                        [](double value) { return value > 0; });
        EXPECT_EQ(firstStoredAbove(stored, 0), above - layout.expected.begin());
    }
}

// A take long enough for its impulse, level window and a short analysis
// window: the impulse (value `impulse`) at 100, the rest `fill`.
Bytes takeData(int bits, int channels, std::int64_t impulse, std::int64_t fill, bool floating) {
    Bytes data;
    for (int i = 0; i < 100 + 17640 + 50; ++i) {
        for (int c = 0; c < channels; ++c) {
            const std::int64_t value = i == 100 ? impulse : fill;
            if (floating) {
                appendFloat(data, bits, static_cast<double>(value) / 8388608.0);
            } else {
                appendInteger(data, bits, value);
            }
        }
    }
    return data;
}

struct BadFile {
    const char* name;
    Bytes bytes;
    FileNote note;
};

Bytes withFloatAt(Bytes file, std::size_t index, double value) {
    Bytes cell;
    appendFloat(cell, 32, value);
    std::copy(cell.begin(), cell.end(), file.begin() + 44 + 4 * static_cast<std::ptrdiff_t>(index));
    return file;
}

std::vector<BadFile> badFiles() {
    const Bytes good16 =
        riffFile(fmtChunk(1, 1, 16) + dataChunk(takeData(16, 1, 20000, 300, false)));
    const Bytes goodFloat =
        riffFile(fmtChunk(3, 1, 32) + dataChunk(takeData(32, 1, 20000, 300, true)));
    Bytes cutList = riffFile(fmtChunk(1, 1, 16));
    appendTag(cutList, "LIST");
    appendLittleEndian(cutList, 5000, 4);
    cutList.resize(cutList.size() + 100, 0);
    Bytes cutFormat = riffFile(fmtChunk(1, 1, 16, 40));
    cutFormat.resize(50);
    Bytes cutHeader = cutFormat;
    cutHeader.resize(40);
    Bytes noFormat = riffFile(dataChunk(takeData(16, 1, 20000, 300, false)));
    Bytes zeroChannels = riffFile(fmtChunk(1, 0, 16) + dataChunk(Bytes(40, 1)));
    Bytes mp3Tag = riffFile(fmtChunk(0x55, 1, 16) + dataChunk(Bytes(40, 1)));
    Bytes unknownGuid = riffFile(fmtChunk(1, 1, 16, 40) + dataChunk(Bytes(40, 1)));
    unknownGuid[12 + 8 + 24 + 2] = 0x11;  // sub-format GUID no longer the standard one
    Bytes twelveBits = riffFile(fmtChunk(1, 1, 12) + dataChunk(Bytes(40, 1)));
    Bytes shortFormat;
    appendChunk(shortFormat, "fmt ", Bytes(12, 1));
    shortFormat = riffFile(shortFormat + dataChunk(Bytes(40, 1)));
    Bytes noData = riffFile(fmtChunk(1, 1, 16) + chunk("LIST", 60));
    Bytes notWave(200, 0x33);
    return {
        {"a chunk cut by the end of the file", cutList, FileNote::chunkCut},
        {"the fmt chunk cut by the end", cutFormat, FileNote::chunkCut},
        {"the fmt chunk cut within 44 bytes", cutHeader, FileNote::shorterThanHeader},
        {"data before fmt",
         riffFile(dataChunk(takeData(16, 1, 20000, 300, false)) + fmtChunk(1, 1, 16)),
         FileNote::dataBeforeFormat},
        {"no fmt chunk", noFormat, FileNote::noFormatChunk},
        {"a fmt chunk too short", shortFormat, FileNote::noFormatChunk},
        {"zero channels", zeroChannels, FileNote::zeroChannels},
        {"an unknown format tag", mp3Tag, FileNote::unsupportedFormat},
        {"an unknown sub-format", unknownGuid, FileNote::unsupportedFormat},
        {"12-bit PCM", twelveBits, FileNote::unsupportedFormat},
        {"no data chunk", noData, FileNote::noDataChunk},
        {"no wave file at all", notWave, FileNote::unsupportedFormat},
        {"a float NaN before the impulse", withFloatAt(goodFloat, 40, std::nan("")),
         FileNote::floatNotANumber},
        {"a float infinity in the level window", withFloatAt(goodFloat, 7000, -INFINITY),
         FileNote::floatInfinite},
        {"a float beyond 256 times full scale in the analysis window",
         withFloatAt(goodFloat, 100 + 17640 + 3, 257.0), FileNote::floatBeyondRange},
        {"float at 256 times full scale is still usable", withFloatAt(goodFloat, 7000, -256.0),
         FileNote::none},
        {"a stereo take",
         riffFile(fmtChunk(1, 2, 16) + dataChunk(takeData(16, 2, 20000, 300, false))),
         FileNote::multiChannel},
        {"a good take", good16, FileNote::none},
    };
}

TEST(WaveLayouts, EveryBadFileGetsItsNote) {
    ScratchDirectory dir;
    AnalysisParameters parameters;
    parameters.impulseThreshold = 10000;
    parameters.analysisLength = 50;
    TakeReader reader;
    TakeReading reading;
    std::vector<unsigned char> windowBytes;
    for (const BadFile& bad : badFiles()) {
        SCOPED_TRACE(bad.name);
        const std::string path = dir / "bad.wav";
        writeBytes(path, bad.bytes);
        readTake(reader, path, parameters, reading, windowBytes);
        EXPECT_EQ(reading.note, bad.note);
        // Every prefix of the file reads without a crash, and the values of
        // one that cannot be read are all 0.
        for (std::size_t length = 0; length < bad.bytes.size(); length += length < 120 ? 1 : 4999) {
            writeBytes(path, Bytes(bad.bytes.begin(), bad.bytes.begin() + length));
            readTake(reader, path, parameters, reading, windowBytes);
            if (reading.file.coding == ValueCoding::none) {
                EXPECT_EQ(reading.level, 0.0) << length;
            }
        }
    }
}

// A file whose data came before its fmt chunk still reads right.
TEST(WaveLayouts, DataBeforeFormatIsReadAllTheSame) {
    ScratchDirectory dir;
    writeBytes(dir / "late.wav", riffFile(dataChunk(integerData(24, 2)) + fmtChunk(1, 2, 24)));
    HeldWave held;
    WaveInfo info;
    openWave(held, dir / "late.wav", info, 1);
    EXPECT_EQ(held.file.problem, WaveProblem::dataBeforeFormat);
    Values values;
    loadValues(held, info, 0, info.sampleCount, values);
    EXPECT_EQ(values, expectedIntegers(24, 1));
}

// A data chunk of size 0 with a chunk after it is empty, not "to the end".
TEST(WaveLayouts, AnEmptyDataChunkBeforeAnotherChunkHoldsNothing) {
    ScratchDirectory dir;
    writeBytes(dir / "empty.wav", riffFile(fmtChunk(1, 1, 16) + dataChunk({}) + chunk("LIST", 40)));
    HeldWave held;
    WaveInfo info;
    openWave(held, dir / "empty.wav", info);
    EXPECT_EQ(held.file.problem, WaveProblem::none);
    EXPECT_EQ(info.sampleCount, 0);
    EXPECT_EQ(info.dataSize, 0);
}

// A data size past the end of the file keeps the count it promises (the
// values beyond the end read as 0) and says the data is cut.
TEST(WaveLayouts, DataPastTheEndIsCutAndReadAsZero) {
    ScratchDirectory dir;
    Bytes file = riffFile(fmtChunk(1, 1, 24) + dataChunk(integerData(24, 1)));
    file[42] = 0x10;  // a data size of 0x10001B: far past the end
    writeBytes(dir / "cut.wav", file);
    HeldWave held;
    WaveInfo info;
    openWave(held, dir / "cut.wav", info);
    EXPECT_TRUE(held.file.dataCut);
    EXPECT_EQ(held.file.problem, WaveProblem::none);
    EXPECT_EQ(info.dataSize, 0x10001B);
    EXPECT_EQ(info.sampleCount, 0x10001B / 3);
    // The pad byte after the 27 data bytes is a byte of the file: a tenth value
    // has one byte there, as with the fixed offsets.
    EXPECT_EQ(held.file.valuesInFile, 10);
    Values values;
    loadValues(held, info, 8, 3, values);
    EXPECT_EQ(values, (Values{-42, 0, 0}));
}

}  // namespace
}  // namespace trellmark
