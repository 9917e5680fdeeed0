#include "wave/wave_writer.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <vector>

#include "support/deep_path.hpp"
#include "support/scratch_directory.hpp"
#include "support/wave_bytes.hpp"
#include "wave/wave_reader.hpp"

namespace trellmark {
namespace {

using namespace wavetest;
using testing::ScratchDirectory;

std::vector<std::int32_t> values16(const Bytes& bytes) {
    std::vector<std::int32_t> values;
    for (std::size_t i = 44; i + 1 < bytes.size(); i += 2) {
        values.push_back(static_cast<std::int16_t>(uint16At(bytes, i)));
    }
    return values;
}

Bytes hexBytes(std::initializer_list<int> list) {
    return Bytes(list.begin(), list.end());
}

Bytes dataOf(const Bytes& bytes) {
    return Bytes(bytes.begin() + 44, bytes.end());
}

TEST(DitherGenerator, FirstDrawsFromTheStartState) {
    // Worked out separately: s = s * 134775813 + 1 mod 2^32 from 0x2545F491,
    // each draw (s >> 1) / 2^31.
    DitherGenerator dither;
    EXPECT_EQ(dither.next(), 0.9726645252667367);
    EXPECT_EQ(dither.next(), 0.16908348677679896);
    EXPECT_EQ(dither.next(), 0.4265977693721652);
    EXPECT_EQ(dither.next(), 0.19112006481736898);
    for (int i = 0; i < 4; ++i) dither.next();
    EXPECT_EQ(dither.state, 0xB28EC5E9u);
}

TEST(WaveWriter, SixteenBitHeader) {
    ScratchDirectory dir;
    DitherGenerator dither;
    ASSERT_TRUE(writeWave((dir / "16.wav"), 100, 44100, 16, std::vector<double>(100, 0.0), dither));
    const Bytes bytes = readBytes((dir / "16.wav"));
    ASSERT_EQ(bytes.size(), 244u);
    const Bytes header(bytes.begin(), bytes.begin() + 44);
    EXPECT_EQ(header, hexBytes({'R', 'I', 'F',  'F',  236, 0,   0,    0,    'W',  'A', 'V',
                                'E', 'f', 'm',  't',  ' ', 16,  0,    0,    0,    1,   0,
                                1,   0,   0x44, 0xAC, 0,   0,   0x88, 0x58, 0x01, 0,   2,
                                0,   16,  0,    'd',  'a', 't', 'a',  200,  0,    0,   0}));
}

TEST(WaveWriter, TwentyFourBitHeader) {
    ScratchDirectory dir;
    DitherGenerator dither;
    ASSERT_TRUE(writeWave((dir / "24.wav"), 100, 48000, 24, std::vector<double>(100, 0.0), dither));
    const Bytes bytes = readBytes((dir / "24.wav"));
    ASSERT_EQ(bytes.size(), 344u);
    EXPECT_EQ(uint32At(bytes, 4), 336u);
    EXPECT_EQ(uint16At(bytes, 20), 1);
    EXPECT_EQ(uint16At(bytes, 22), 1);
    EXPECT_EQ(uint32At(bytes, 24), 48000u);
    EXPECT_EQ(uint32At(bytes, 28), 144000u);
    EXPECT_EQ(uint16At(bytes, 32), 3);
    EXPECT_EQ(uint16At(bytes, 34), 24);
    EXPECT_EQ(uint32At(bytes, 40), 300u);
}

TEST(WaveWriter, NoSamplesGivesABareHeader) {
    ScratchDirectory dir;
    DitherGenerator dither;
    ASSERT_TRUE(writeWave((dir / "0.wav"), 0, 44100, 16, {}, dither));
    const Bytes bytes = readBytes((dir / "0.wav"));
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(uint32At(bytes, 4), 36u);
    EXPECT_EQ(uint32At(bytes, 40), 0u);
    EXPECT_EQ(dither.state, 0x2545F491u);  // no draws

    ASSERT_TRUE(writeWave((dir / "neg.wav"), -5, 44100, 24, {}, dither));
    EXPECT_EQ(readBytes((dir / "neg.wav")).size(), 44u);
    EXPECT_EQ(dither.state, 0x2545F491u);
}

// Samples worked out separately from the start state: -1.0 + dither comes to
// -0.858 -> -1, 0.0 to -0.382 -> 0, 100.0 to 99.745 -> 100, 0.5 to 0.607 -> 1.
TEST(WaveWriter, DitheredSamplesExactBytes) {
    ScratchDirectory dir;
    const std::vector<double> signal{-1.0, 0.0, 100.0, 0.5};
    DitherGenerator first;
    ASSERT_TRUE(writeWave((dir / "16.wav"), 4, 44100, 16, signal, first));
    EXPECT_EQ(dataOf(readBytes((dir / "16.wav"))),
              hexBytes({0xFF, 0xFF, 0x00, 0x00, 0x64, 0x00, 0x01, 0x00}));
    DitherGenerator second;
    ASSERT_TRUE(writeWave((dir / "24.wav"), 4, 44100, 24, signal, second));
    EXPECT_EQ(dataOf(readBytes((dir / "24.wav"))),
              hexBytes({0xFF, 0xFF, 0xFF, 0, 0, 0, 0x64, 0, 0, 0x01, 0, 0}));

    // -300.25 -> -300, 5000000.5 -> 5000000, -5000000.5 -> -5000001.
    DitherGenerator third;
    ASSERT_TRUE(
        writeWave((dir / "wide.wav"), 3, 44100, 24, {-300.25, 5000000.5, -5000000.5}, third));
    EXPECT_EQ(dataOf(readBytes((dir / "wide.wav"))),
              hexBytes({0xD4, 0xFE, 0xFF, 0x40, 0x4B, 0x4C, 0xBF, 0xB4, 0xB3}));
}

TEST(WaveWriter, DitherSpreadsAValueOverItsNeighbours) {
    ScratchDirectory dir;
    DitherGenerator dither;
    ASSERT_TRUE(
        writeWave((dir / "100.wav"), 10000, 44100, 16, std::vector<double>(10000, 100.0), dither));
    std::map<std::int32_t, int> counts;
    for (std::int32_t value : values16(readBytes((dir / "100.wav")))) ++counts[value];
    // Counted separately with the same generator: only 99, 100 and 101 occur.
    EXPECT_EQ(counts, (std::map<std::int32_t, int>{{99, 1306}, {100, 7480}, {101, 1214}}));
}

TEST(WaveWriter, ValuesBeyondTheDepthAreClipped) {
    ScratchDirectory dir;
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> signal{1e9, -1e9, 32767.4, -32768.4, inf, -inf, std::nan(""), 1e300};
    DitherGenerator dither;
    ASSERT_TRUE(writeWave((dir / "16.wav"), 8, 44100, 16, signal, dither));
    const std::vector<std::int32_t> values = values16(readBytes((dir / "16.wav")));
    EXPECT_EQ(values,
              (std::vector<std::int32_t>{32767, -32768, 32767, -32768, 32767, -32768, 0, 32767}));

    ASSERT_TRUE(writeWave((dir / "24.wav"), 3, 44100, 24, {1e9, -1e9, 8388607.4}, dither));
    EXPECT_EQ(dataOf(readBytes((dir / "24.wav"))),
              hexBytes({0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F}));
}

TEST(WaveWriter, ALongerOldFileIsReplacedWhole) {
    ScratchDirectory dir;
    writeBytes((dir / "old.wav"), Bytes(5000, 0xEE));
    DitherGenerator dither;
    ASSERT_TRUE(writeWave((dir / "old.wav"), 10, 44100, 16, std::vector<double>(10, 0.0), dither));
    const Bytes bytes = readBytes((dir / "old.wav"));
    EXPECT_EQ(bytes.size(), 64u);
}

TEST(WaveWriter, SameStartSameFilesAndDrawsContinueAcrossCalls) {
    ScratchDirectory dir;
    const std::vector<double> signal(50, 0.25);
    DitherGenerator one;
    DitherGenerator two;
    ASSERT_TRUE(writeWave((dir / "a.wav"), 50, 44100, 16, signal, one));
    ASSERT_TRUE(writeWave((dir / "b.wav"), 50, 44100, 16, signal, two));
    EXPECT_EQ(readBytes((dir / "a.wav")), readBytes((dir / "b.wav")));

    // The next call carries on: its data differ from a fresh start's, and the
    // generator has moved 100 draws on.
    ASSERT_TRUE(writeWave((dir / "c.wav"), 50, 44100, 16, signal, one));
    EXPECT_NE(dataOf(readBytes((dir / "c.wav"))), dataOf(readBytes((dir / "a.wav"))));
    DitherGenerator counted;
    for (int i = 0; i < 200; ++i) counted.next();
    EXPECT_EQ(one.state, counted.state);
}

TEST(WaveWriter, FilesThatCannotBeWrittenStillUseTheirDraws) {
    ScratchDirectory dir;
    const std::vector<double> signal(1000, 0.0);
    const std::vector<std::string> badNames{"", (dir / "missing/x.wav"), dir.path(), "/dev/full",
                                            "/proc/trellmark/none.wav"};
    for (const std::string& name : badNames) {
        SCOPED_TRACE(name);
        DitherGenerator failed;
        EXPECT_FALSE(writeWave(name, 1000, 44100, 16, signal, failed));
        DitherGenerator counted;
        for (int i = 0; i < 2000; ++i) counted.next();
        EXPECT_EQ(failed.state, counted.state);
    }
    // Five silent values after 2000 draws come out as 0, 0, -1, 0, 0.
    DitherGenerator dither;
    EXPECT_FALSE(writeWave((dir / "missing/x.wav"), 1000, 44100, 16, signal, dither));
    ASSERT_TRUE(writeWave((dir / "after.wav"), 5, 44100, 16, signal, dither));
    EXPECT_EQ(values16(readBytes((dir / "after.wav"))),
              (std::vector<std::int32_t>{0, 0, -1, 0, 0}));
}

TEST(WaveWriter, NamesWithWildcardsWriteNothing) {
    ScratchDirectory dir;
    for (const std::string name : {"a*b.wav", "a?b.wav", "*", "?"}) {
        SCOPED_TRACE(name);
        DitherGenerator dither;
        EXPECT_FALSE(writeWave((dir / name), 2, 44100, 16, {0.0, 0.0}, dither));
        EXPECT_FALSE(std::filesystem::exists((dir / name)));
        EXPECT_EQ(dither.state, 0x30ED3E9Du);  // four draws on, as if written
    }
    // A file that really carries such a name is left as it is.
    writeBytes((dir / "keep*.wav"), {1, 2, 3});
    writeBytes((dir / "keep?.wav"), {4, 5});
    DitherGenerator dither;
    EXPECT_FALSE(writeWave((dir / "keep*.wav"), 2, 44100, 16, {0.0, 0.0}, dither));
    EXPECT_FALSE(writeWave((dir / "keep?.wav"), 2, 44100, 16, {0.0, 0.0}, dither));
    EXPECT_EQ(readBytes((dir / "keep*.wav")), (Bytes{1, 2, 3}));
    EXPECT_EQ(readBytes((dir / "keep?.wav")), (Bytes{4, 5}));
}

TEST(WaveWriter, APathLongerThan255CharactersIsWrittenWhole) {
    ScratchDirectory dir;
    const testing::DeepPath deep = testing::makeDeepPath(dir.path(), "mean.wav");
    ASSERT_GT(deep.path.size(), 500u);
    DitherGenerator dither;
    ASSERT_TRUE(writeWave(deep.path, 3, 44100, 16, {0.0, 0.0, 0.0}, dither));
    EXPECT_EQ(readBytes(deep.path).size(), 50u);
    EXPECT_FALSE(std::filesystem::exists(deep.decoy));
}

TEST(WaveWriter, OtherDepthsWriteNothing) {
    ScratchDirectory dir;
    for (std::int16_t bits : {8, 0, 32, -16, 12}) {
        SCOPED_TRACE(bits);
        DitherGenerator dither;
        EXPECT_FALSE(writeWave((dir / "x.wav"), 10, 44100, bits, std::vector<double>(10), dither));
        EXPECT_FALSE(std::ifstream((dir / "x.wav")).good());
        EXPECT_EQ(dither.state, 0x2545F491u);
    }
}

TEST(WaveWriter, DataTooLargeForTheSizeFieldsIsNotWritten) {
    // 24 bits * 715827883 values = 2147483649 bytes: beyond the 32-bit field.
    ScratchDirectory dir;
    DitherGenerator dither;
    EXPECT_FALSE(writeWave((dir / "big.wav"), 715827883, 44100, 24, {}, dither));
    EXPECT_FALSE(std::ifstream((dir / "big.wav")).good());
    // 2 * 715827883 draws, counted one by one in a separate program.
    EXPECT_EQ(dither.state, 0xFC966A4Bu);
}

std::string readBack(const ScratchDirectory& dir, const std::string& file) {
    const std::string out = (dir / "readback.txt");
    const std::string command = "python3 " TRELLMARK_SOURCE_DIR "/tests/readback_check.py '" +
                                file + "' > '" + out + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(WaveWriter, PythonWaveModuleReadsTheFilesBack) {
    ASSERT_EQ(std::system("python3 -c 'import wave' > /dev/null 2>&1"), 0)
        << "the read-back check needs python3 (make deps installs it)";
    ScratchDirectory dir;
    DitherGenerator dither;
    ASSERT_TRUE(writeWave((dir / "16.wav"), 4, 44100, 16, {-1.0, 0.0, 100.0, 0.5}, dither));
    EXPECT_EQ(readBack(dir, (dir / "16.wav")), "1 44100 2 4\n-1 0 100 1\n");
    DitherGenerator fresh;
    ASSERT_TRUE(writeWave((dir / "24.wav"), 3, 96000, 24, {-300.25, 5000000.5, -5000000.5}, fresh));
    EXPECT_EQ(readBack(dir, (dir / "24.wav")), "1 96000 3 3\n-300 5000000 -5000001\n");
    ASSERT_TRUE(writeWave((dir / "empty.wav"), 0, 8000, 16, {}, fresh));
    EXPECT_EQ(readBack(dir, (dir / "empty.wav")), "1 8000 2 0\n\n");
}

}  // namespace
}  // namespace trellmark

namespace trellmark {
namespace {

using namespace wavetest;
using testing::ScratchDirectory;

// The figures' units follow the first reference take: its format picks the
// written files' format.
TEST(WaveOutputFormat, FollowsTheFirstTakesFormat) {
    struct Case {
        SampleKind kind;
        std::int16_t bits;
        WaveOutputFormat format;
    };
    const Case cases[] = {
        {SampleKind::integer, 8, WaveOutputFormat::pcm16},
        {SampleKind::integer, 16, WaveOutputFormat::pcm16},
        {SampleKind::integer, 24, WaveOutputFormat::pcm24},
        {SampleKind::integer, 32, WaveOutputFormat::pcm24},
        {SampleKind::floating, 32, WaveOutputFormat::float32},
        {SampleKind::floating, 64, WaveOutputFormat::float32},
        {SampleKind::none, 16, WaveOutputFormat::none},
    };
    for (const Case& c : cases) {
        WaveInfo take;
        take.kind = c.kind;
        take.bitsPerSample = c.bits;
        EXPECT_EQ(outputFormatFor(take), c.format) << c.bits;
        EXPECT_EQ(outputUnitsFor(take).format, c.format) << c.bits;
    }
    // The figures' LSB and the factor into the written files' LSB.
    struct Units {
        SampleKind kind;
        std::int16_t bits;
        std::int16_t figureBits;
        double scale;
    };
    const Units units[] = {
        {SampleKind::integer, 8, 8, 256.0},  {SampleKind::integer, 16, 16, 1.0},
        {SampleKind::integer, 24, 24, 1.0},  {SampleKind::integer, 32, 32, 0.00390625},
        {SampleKind::floating, 32, 24, 1.0}, {SampleKind::floating, 64, 24, 1.0},
        {SampleKind::none, 0, 0, 1.0},
    };
    for (const Units& u : units) {
        WaveInfo take;
        take.kind = u.kind;
        take.bitsPerSample = u.bits;
        EXPECT_EQ(outputUnitsFor(take).figureBits, u.figureBits) << u.bits;
        EXPECT_EQ(outputUnitsFor(take).scale, u.scale) << u.bits;
    }
    EXPECT_EQ(outputBits(WaveOutputFormat::float32), 32);
    EXPECT_EQ(pcmOutputFormat(32), WaveOutputFormat::none);
}

// A float file: format tag 3, 32 bits, the values over 2^23 as IEEE floats,
// no dither; the generator moves on as a PCM file of that length would move
// it, so the 16-bit file after it is the one it would be anyway.
TEST(WaveWriter, FloatFileHoldsTheValuesOverTwoToThe23) {
    ScratchDirectory dir;
    DitherGenerator dither;
    const std::vector<double> signal{0.0, 8388608.0, -4194304.0, 1.5, 3e9, std::nan("")};
    ASSERT_TRUE(writeWave(dir / "float.wav", 7, 48000, WaveOutputFormat::float32, signal, dither));
    const Bytes bytes = readBytes(dir / "float.wav");
    ASSERT_EQ(bytes.size(), 44u + 7 * 4);
    EXPECT_EQ(uint16At(bytes, 20), 3);   // IEEE float
    EXPECT_EQ(uint16At(bytes, 34), 32);  // bits
    EXPECT_EQ(uint16At(bytes, 32), 4);   // block align
    EXPECT_EQ(uint32At(bytes, 28), 192000u);
    EXPECT_EQ(uint32At(bytes, 40), 28u);
    // 0, 1.0, -0.5, 1.5 / 2^23, 3e9 / 2^23 (unclipped), NaN as 0, padding 0.
    const std::uint32_t expected[] = {0x00000000, 0x3F800000, 0xBF000000, 0x34400000,
                                      0x43B2D05E, 0x00000000, 0x00000000};
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(uint32At(bytes, 44 + 4 * i), expected[i]) << i;

    DitherGenerator plain;
    ASSERT_TRUE(writeWave(dir / "pcm.wav", 7, 48000, WaveOutputFormat::pcm16, signal, plain));
    EXPECT_EQ(dither.state, plain.state);

    // The reader takes it back as a float file in 24-bit steps.
    HeldWave held;
    WaveInfo info;
    openWave(held, dir / "float.wav", info);
    EXPECT_EQ(info.format, "WAV float");
    std::vector<double> values;
    loadValues(held, info, 0, 4, values);
    EXPECT_EQ(values, (std::vector<double>{0.0, 8388608.0, -4194304.0, 1.5}));
}

}  // namespace
}  // namespace trellmark

namespace trellmark {
namespace {

// Channels go in frame by frame, each value with its own dither draws: the
// data of a two-channel file is that of a mono file of the values
// interleaved, and only the header tells the channels apart.
TEST(WaveWriter, ChannelsAreInterleavedFrameByFrame) {
    const std::vector<double> left = {0.0, 1000.4, -3.7, 8388607.0, 12.0};
    const std::vector<double> right = {-1.5, 2.25, 70000.0, -9.0};  // one short: padded with 0
    std::vector<double> interleaved;
    for (std::size_t i = 0; i < left.size(); ++i) {
        interleaved.push_back(left[i]);
        interleaved.push_back(i < right.size() ? right[i] : 0.0);
    }
    const struct {
        WaveOutputFormat format;
        std::uint16_t bytesPerValue;
    } formats[] = {
        {WaveOutputFormat::pcm16, 2}, {WaveOutputFormat::pcm24, 3}, {WaveOutputFormat::float32, 4}};
    ScratchDirectory dir;
    for (const auto& f : formats) {
        SCOPED_TRACE(outputBits(f.format));
        DitherGenerator stereoDither;
        DitherGenerator monoDither;
        const std::vector<std::vector<double>> channels = {left, right};
        ASSERT_TRUE(
            writeWaveChannels(dir / "stereo.wav", 5, 48000, f.format, channels, stereoDither));
        ASSERT_TRUE(writeWave(dir / "mono.wav", 10, 48000, f.format, interleaved, monoDither));
        const Bytes stereo = readBytes(dir / "stereo.wav");
        const Bytes mono = readBytes(dir / "mono.wav");
        EXPECT_EQ(dataOf(stereo), dataOf(mono));
        EXPECT_EQ(stereoDither.state, monoDither.state);
        EXPECT_EQ(uint16At(stereo, 22), 2);                             // channels
        EXPECT_EQ(uint32At(stereo, 28), 48000u * 2 * f.bytesPerValue);  // bytes a second
        EXPECT_EQ(uint16At(stereo, 32), 2 * f.bytesPerValue);           // bytes a frame
        EXPECT_EQ(uint32At(stereo, 40), 10u * f.bytesPerValue);         // data size
    }
    DitherGenerator dither;
    std::string failure;
    EXPECT_FALSE(writeWaveChannels(dir / "none.wav", 5, 48000, WaveOutputFormat::pcm16, {}, dither,
                                   {}, &failure));
    EXPECT_EQ(failure, "a wave file holds 1 to 65535 channels");
}

}  // namespace
}  // namespace trellmark
