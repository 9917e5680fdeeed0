#include "wave/wave_reader.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "support/deep_path.hpp"
#include "support/fixed_offset_reading.hpp"
#include "support/scratch_directory.hpp"
#include "support/wave_bytes.hpp"

namespace trellmark {
namespace {

using namespace wavetest;
using testing::ScratchDirectory;
using Values = std::vector<std::int32_t>;

// The file stays open, as a take does while it is read, until the next one
// is read.
HeldWave& held() {
    static HeldWave wave;
    return wave;
}

const WaveFile& readFile(const std::string& path, WaveInfo& info, int channel = 0) {
    openWave(held(), path, info, channel);
    return held().file;
}

Values load(const WaveFile& /*file*/, const WaveInfo& info, std::int64_t first,
            std::int64_t count) {
    Values values{7, 7, 7};  // stale contents must never survive a load
    loadValues(held(), info, first, count, values);
    return values;
}

// The header fields as the fixed-offset reading the reader replaced took them:
// a canonical file's fields are still these (the fuzz target holds the reader
// to it).
testing::FixedOffsetHeader headerOf(const Bytes& bytes) {
    return testing::fixedOffsetHeader(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

TEST(WaveHeader, SampleCountRoundsTheQuotientToEven) {
    EXPECT_EQ(headerOf(canonicalHeader(1, 44100, 16, 200)).sampleCount, 100);
    EXPECT_EQ(headerOf(canonicalHeader(1, 44100, 16, 101)).sampleCount, 50);  // 50.5
    EXPECT_EQ(headerOf(canonicalHeader(1, 44100, 16, 103)).sampleCount, 52);  // 51.5
    EXPECT_EQ(headerOf(canonicalHeader(2, 44100, 16, 400)).sampleCount, 100);
    EXPECT_EQ(headerOf(canonicalHeader(1, 48000, 24, 300)).sampleCount, 100);
    EXPECT_EQ(headerOf(canonicalHeader(1, 48000, 24, 301)).sampleCount, 100);  // 100.33
    // 2147483647 * 8 / 16 = 1073741823.5, a tie that goes up to the even count.
    EXPECT_EQ(headerOf(canonicalHeader(1, 44100, 16, 0x7FFFFFFF)).sampleCount, 1073741824);
}

TEST(WaveHeader, FieldsComeFromTheirFixedOffsets) {
    const testing::FixedOffsetHeader info = headerOf(canonicalHeader(0x0102, 96000, 24, 600));
    EXPECT_EQ(info.channels, 2);  // only the low byte of the channel field
    EXPECT_EQ(info.sampleRate, 96000);
    EXPECT_EQ(info.bitsPerSample, 24);
    EXPECT_EQ(info.dataSize, 600);
    EXPECT_EQ(info.sampleCount, 100);
    EXPECT_EQ(headerOf(canonicalHeader(255, 8000, 16, 0)).channels, 255);
    EXPECT_EQ(headerOf(canonicalHeader(1, 0xFFFFFFFF, 16, 0)).sampleRate, -1);
}

TEST(WaveHeader, ImpossibleQuotientsGiveNoSamples) {
    EXPECT_EQ(headerOf(canonicalHeader(0, 44100, 16, 200)).sampleCount, 0);  // 1600 / 0
    EXPECT_EQ(headerOf(canonicalHeader(1, 44100, 0, 200)).sampleCount, 0);
    EXPECT_EQ(headerOf(canonicalHeader(1, 44100, 0, 0)).sampleCount, 0);  // 0 / 0
    const testing::FixedOffsetHeader negative = headerOf(canonicalHeader(1, 44100, 16, 0xFFFFFF38));
    EXPECT_EQ(negative.dataSize, -200);
    EXPECT_EQ(negative.sampleCount, 0);
    // 2147483647 * 8 / 8 just fits 32 bits; twice that does not.
    EXPECT_EQ(headerOf(canonicalHeader(1, 44100, 8, 0x7FFFFFFF)).sampleCount, 2147483647);
    EXPECT_EQ(headerOf(canonicalHeader(1, 44100, 4, 0x7FFFFFFF)).sampleCount, 0);
    // -200 * 8 / -16 is a plain 100, even though neither field makes sense.
    const testing::FixedOffsetHeader bothNegative =
        headerOf(canonicalHeader(1, 44100, 0xFFF0, 0xFFFFFF38));
    EXPECT_EQ(bothNegative.bitsPerSample, -16);
    EXPECT_EQ(bothNegative.sampleCount, 100);
}

TEST(WaveDecoding, TwentyFourBitCells) {
    const unsigned char cells[][3] = {
        {0x01, 0x00, 0x00}, {0xFF, 0xFF, 0x7F}, {0x00, 0x00, 0x80}, {0xFF, 0xFF, 0xFF}};
    EXPECT_EQ(decode24(cells[0]), 1);
    EXPECT_EQ(decode24(cells[1]), 8388607);
    EXPECT_EQ(decode24(cells[2]), -8388608);
    EXPECT_EQ(decode24(cells[3]), -1);
    const unsigned char cell16[][2] = {{0x01, 0x00}, {0xFF, 0x7F}, {0x00, 0x80}, {0xFF, 0xFF}};
    EXPECT_EQ(decode16(cell16[0]), 1);
    EXPECT_EQ(decode16(cell16[1]), 32767);
    EXPECT_EQ(decode16(cell16[2]), -32768);
    EXPECT_EQ(decode16(cell16[3]), -1);
}

// 100 values 0, -37, 74, -111, ...: signs alternate so a wrong byte order or
// sign extension shows.
Values hundredValues() {
    Values values;
    for (int i = 0; i < 100; ++i) values.push_back((i % 2 == 0 ? 1 : -1) * i * 37);
    return values;
}

TEST(WaveReader, CanonicalSixteenBitMonoFile) {
    ScratchDirectory dir;
    Bytes bytes = canonicalHeader(1, 44100, 16, 200);
    for (int value : hundredValues())
        appendLittleEndian(bytes, static_cast<std::uint16_t>(value), 2);
    writeBytes((dir / "a.wav"), bytes);

    WaveInfo info;
    const WaveFile& file = readFile((dir / "a.wav"), info);
    EXPECT_TRUE(file.opened);
    EXPECT_EQ(file.path, (dir / "a.wav"));
    EXPECT_EQ(file.fileSize, 244);
    EXPECT_EQ(file.valuesInFile, 100);
    EXPECT_EQ(info.sampleCount, 100);
    EXPECT_EQ(info.sampleRate, 44100);

    Values expected = hundredValues();
    expected.push_back(0);  // index 100 lies past the data
    EXPECT_EQ(load(file, info, 0, 101), expected);
    EXPECT_EQ(load(file, info, 3, 2), (Values{-111, 148}));
}

TEST(WaveReader, RangesOutsideTheDataReadAsZero) {
    ScratchDirectory dir;
    Bytes bytes = canonicalHeader(1, 44100, 16, 200);
    for (int value : hundredValues())
        appendLittleEndian(bytes, static_cast<std::uint16_t>(value), 2);
    writeBytes((dir / "a.wav"), bytes);
    WaveInfo info;
    const WaveFile& file = readFile((dir / "a.wav"), info);

    EXPECT_EQ(load(file, info, -3, 6), (Values{0, 0, 0, 0, -37, 74}));
    EXPECT_EQ(load(file, info, 98, 5), (Values{3626, -3663, 0, 0, 0}));
    EXPECT_EQ(load(file, info, 100, 3), (Values{0, 0, 0}));
    EXPECT_EQ(load(file, info, -10, 4), (Values{0, 0, 0, 0}));
    EXPECT_EQ(load(file, info, 0, 0), Values{});
    EXPECT_EQ(load(file, info, 5, -4), Values{});
    const std::int64_t farAway = 2147483647LL + 17640 + 2147483647LL;
    EXPECT_EQ(load(file, info, farAway, 2), (Values{0, 0}));
    EXPECT_EQ(load(file, info, std::numeric_limits<std::int64_t>::max() - 1, 2), (Values{0, 0}));
    EXPECT_EQ(load(file, info, std::numeric_limits<std::int64_t>::min(), 3), (Values{0, 0, 0}));
    Values whole = load(file, info, -1, 102);
    EXPECT_EQ(whole.front(), 0);
    EXPECT_EQ(whole[1], 0);
    EXPECT_EQ(whole[100], -3663);
    EXPECT_EQ(whole.back(), 0);
}

TEST(WaveReader, OddDataSizesRoundTheCount) {
    ScratchDirectory dir;
    // 101 data bytes: 50 whole values, the last byte is not a value.
    Bytes odd = canonicalHeader(1, 44100, 16, 101);
    for (int i = 0; i < 101; ++i) odd.push_back(static_cast<unsigned char>(i));
    writeBytes((dir / "101.wav"), odd);
    WaveInfo info;
    WaveFile file = readFile((dir / "101.wav"), info);
    EXPECT_EQ(info.sampleCount, 50);
    EXPECT_EQ(file.valuesInFile, 50);
    EXPECT_EQ(load(file, info, 48, 3), (Values{0x6160, 0x6362, 0}));

    // 103 data bytes: 52 values, the last one only half present.
    Bytes longer = canonicalHeader(1, 44100, 16, 103);
    for (int i = 0; i < 102; ++i) longer.push_back(static_cast<unsigned char>(i));
    longer.push_back(0xAB);
    writeBytes((dir / "103.wav"), longer);
    file = readFile((dir / "103.wav"), info);
    EXPECT_EQ(info.sampleCount, 52);
    EXPECT_EQ(file.valuesInFile, 52);
    EXPECT_EQ(load(file, info, 50, 3), (Values{0x6564, 0x00AB, 0}));
}

TEST(WaveReader, StereoValuesAreReadOneChannelAtATime) {
    ScratchDirectory dir;
    Bytes bytes = canonicalHeader(2, 44100, 16, 400);
    for (int frame = 0; frame < 100; ++frame) append16(bytes, {frame + 1000, -frame - 1});
    writeBytes((dir / "stereo.wav"), bytes);
    for (const int channel : {0, 1}) {
        WaveInfo info;
        const WaveFile& file = readFile((dir / "stereo.wav"), info, channel);
        EXPECT_EQ(info.channels, 2);
        EXPECT_EQ(info.channel, channel);
        EXPECT_EQ(info.sampleCount, 100);
        EXPECT_EQ(file.valuesInFile, 100);
        const Values values = load(file, info, 0, 101);
        EXPECT_EQ(Values(values.begin(), values.begin() + 3),
                  channel == 0 ? (Values{1000, 1001, 1002}) : (Values{-1, -2, -3}));
        EXPECT_EQ(values[99], channel == 0 ? 1099 : -100);
        EXPECT_EQ(values[100], 0);
    }
}

TEST(WaveReader, TwentyFourBitFile) {
    ScratchDirectory dir;
    Bytes bytes = canonicalHeader(1, 48000, 24, 15);
    append24(bytes, {1, 8388607, -8388608, -1, 0x123456});
    writeBytes((dir / "24.wav"), bytes);
    WaveInfo info;
    const WaveFile& file = readFile((dir / "24.wav"), info);
    EXPECT_EQ(info.sampleCount, 5);
    EXPECT_EQ(file.valuesInFile, 5);
    EXPECT_EQ(load(file, info, 0, 6), (Values{1, 8388607, -8388608, -1, 1193046, 0}));
}

TEST(WaveReader, EightBitFileIsReadAboutItsMiddle) {
    ScratchDirectory dir;
    Bytes bytes = canonicalHeader(1, 22050, 8, 4);
    bytes.insert(bytes.end(), {0x80, 0xFF, 0x01, 0x7F});
    writeBytes((dir / "8.wav"), bytes);
    WaveInfo info;
    const WaveFile& file = readFile((dir / "8.wav"), info);
    EXPECT_TRUE(file.opened);
    EXPECT_EQ(info.bitsPerSample, 8);
    EXPECT_EQ(info.sampleRate, 22050);
    EXPECT_EQ(info.sampleCount, 4);
    EXPECT_EQ(file.valuesInFile, 4);
    EXPECT_EQ(load(file, info, 0, 5), (Values{0, 127, -127, -1, 0}));
}

TEST(WaveReader, LongerFmtChunkMovesTheSamples) {
    // fmt chunk of 18 bytes: "data" lands at offset 38 and the samples at 46;
    // the fixed offsets read "ta", 08, 00 as the data size and the samples one
    // value late.
    ScratchDirectory dir;
    Bytes bytes;
    appendTag(bytes, "RIFF");
    appendLittleEndian(bytes, 46, 4);
    appendTag(bytes, "WAVE");
    appendTag(bytes, "fmt ");
    appendLittleEndian(bytes, 18, 4);
    append16(bytes, {1, 1});
    appendLittleEndian(bytes, 44100, 4);
    appendLittleEndian(bytes, 88200, 4);
    append16(bytes, {2, 16, 0});
    appendTag(bytes, "data");
    appendLittleEndian(bytes, 8, 4);
    append16(bytes, {10, -20, 30, -40});
    ASSERT_EQ(bytes.size(), 54u);
    writeBytes((dir / "fmt18.wav"), bytes);

    WaveInfo info;
    const WaveFile& file = readFile((dir / "fmt18.wav"), info);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.bitsPerSample, 16);
    EXPECT_EQ(info.dataSize, 8);
    EXPECT_EQ(info.dataOffset, 46);
    EXPECT_EQ(info.sampleCount, 4);
    EXPECT_EQ(file.valuesInFile, 4);
    EXPECT_EQ(load(file, info, 0, 7), (Values{10, -20, 30, -40, 0, 0, 0}));
    EXPECT_EQ(headerOf(bytes).dataSize, 549236);  // 0x74 + 0x61 * 256 + 8 * 65536
}

TEST(WaveReader, HeaderPromisingMoreThanTheFileHolds) {
    ScratchDirectory dir;
    Bytes bytes = canonicalHeader(1, 44100, 16, 200);
    append16(bytes, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    writeBytes((dir / "short.wav"), bytes);
    WaveInfo info;
    const WaveFile& file = readFile((dir / "short.wav"), info);
    EXPECT_EQ(info.sampleCount, 100);
    EXPECT_EQ(file.valuesInFile, 10);
    const Values values = load(file, info, 8, 5);
    EXPECT_EQ(values, (Values{9, 10, 0, 0, 0}));
}

TEST(WaveReader, TwoGigabytePromiseWithATinyFile) {
    ScratchDirectory dir;
    Bytes bytes = canonicalHeader(1, 44100, 16, 0x7FFFFFFF);
    append16(bytes, {-5, 6, -7});
    writeBytes((dir / "huge.wav"), bytes);
    WaveInfo info;
    const WaveFile& file = readFile((dir / "huge.wav"), info);
    EXPECT_EQ(info.sampleCount, 1073741824);
    EXPECT_EQ(file.valuesInFile, 3);
    EXPECT_EQ(load(file, info, 0, 5), (Values{-5, 6, -7, 0, 0}));
    EXPECT_EQ(load(file, info, 1073741823, 3), (Values{0, 0, 0}));
}

// Every prefix of a 24-bit file of four values, from no byte at all to the
// whole file: format fields past the end count as 0, a data chunk whose header
// is cut is none, a cut value keeps the bytes that are there.
TEST(WaveReader, EveryTruncationOfASmallFile) {
    ScratchDirectory dir;
    Bytes whole = canonicalHeader(1, 44100, 24, 12);
    whole.insert(whole.end(), {0x01, 0x02, 0x03, 0xFF, 0xFF, 0xFF, 0x10, 0x20, 0x80, 0x7F, 0, 0});
    // decoded[k][n]: value k decoded from its first n bytes and zeros.
    const std::int32_t decoded[4][4] = {
        {0, 1, 513, 197121}, {0, 255, 65535, -1}, {0, 16, 8208, -8380400}, {0, 127, 127, 127}};
    const std::string path = (dir / "cut.wav");
    for (std::size_t length = 0; length <= whole.size(); ++length) {
        SCOPED_TRACE(length);
        writeBytes(path, Bytes(whole.begin(), whole.begin() + length));
        WaveInfo info;
        info.sampleRate = 12345;  // every field must be overwritten
        const WaveFile& file = readFile(path, info);
        EXPECT_TRUE(file.opened);
        EXPECT_EQ(file.fileSize, static_cast<std::int64_t>(length));
        EXPECT_EQ(info.channels, length > 22 ? 1 : 0);
        EXPECT_EQ(info.sampleRate, length > 25 ? 44100 : length > 24 ? 0x44 : 0);
        EXPECT_EQ(info.bitsPerSample, length > 34 ? 24 : 0);
        const bool counted = length >= 44;
        EXPECT_EQ(info.dataSize, counted ? 12 : 0);
        EXPECT_EQ(info.sampleCount, counted ? 4 : 0);
        const std::int64_t dataBytes = counted && length > 44 ? length - 44 : 0;
        EXPECT_EQ(file.valuesInFile, (dataBytes + 2) / 3);

        Values expected(6, 0);
        for (int k = 0; k < 4; ++k) {
            const std::int64_t present = std::clamp<std::int64_t>(dataBytes - 3 * k, 0, 3);
            expected[k + 1] = decoded[k][present];
        }
        EXPECT_EQ(load(file, info, -1, 6), expected);
    }
}

TEST(WaveReader, FileThatCannotBeOpenedReadsAsEmpty) {
    ScratchDirectory dir;
    WaveInfo info{2, 44100, 16, 400, 100};
    const WaveFile& file = readFile((dir / "missing.wav"), info);
    EXPECT_FALSE(file.opened);
    EXPECT_EQ(file.fileSize, 0);
    EXPECT_EQ(file.valuesInFile, 0);
    EXPECT_EQ(info.channels, 0);
    EXPECT_EQ(info.sampleRate, 0);
    EXPECT_EQ(info.bitsPerSample, 0);
    EXPECT_EQ(info.dataSize, 0);
    EXPECT_EQ(info.sampleCount, 0);
    EXPECT_EQ(load(file, info, 0, 3), (Values{0, 0, 0}));
}

TEST(WaveReader, DirectoriesAndFifosAreNotOpened) {
    ScratchDirectory dir;
    WaveInfo info;
    EXPECT_FALSE(readFile(dir.path(), info).opened);
    EXPECT_EQ(info.sampleCount, 0);

    const std::string fifo = (dir / "pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(readFile(fifo, info).opened);
    EXPECT_EQ(info.sampleCount, 0);

    // A file that turns into a FIFO after it was opened is read from what was
    // opened: the values never come from the FIFO.
    const std::string path = (dir / "swapped.wav");
    Bytes bytes = canonicalHeader(1, 44100, 16, 4);
    append16(bytes, {11, 12});
    writeBytes(path, bytes);
    const WaveFile& file = readFile(path, info);
    ASSERT_EQ(file.valuesInFile, 2);
    ASSERT_EQ(std::remove(path.c_str()), 0);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(load(file, info, 0, 2), (Values{11, 12}));
}

TEST(WaveReader, APathLongerThan255CharactersIsOpenedWhole) {
    ScratchDirectory dir;
    const testing::DeepPath deep = testing::makeDeepPath(dir.path(), "take.wav");
    ASSERT_GT(deep.path.size(), 500u);
    Bytes decoy = canonicalHeader(1, 44100, 16, 2);
    append16(decoy, {999});
    writeBytes(deep.decoy, decoy);

    // Only the decoy exists: the long name is a file that cannot be opened.
    WaveInfo info;
    EXPECT_FALSE(readFile(deep.path, info).opened);
    EXPECT_EQ(info.sampleCount, 0);

    Bytes bytes = canonicalHeader(1, 48000, 16, 2);
    append16(bytes, {321});
    writeBytes(deep.path, bytes);
    const WaveFile& file = readFile(deep.path, info);
    EXPECT_TRUE(file.opened);
    EXPECT_EQ(info.sampleRate, 48000);
    EXPECT_EQ(load(file, info, 0, 1), (Values{321}));
}

}  // namespace
}  // namespace trellmark
