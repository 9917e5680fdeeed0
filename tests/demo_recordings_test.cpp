#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "analysis/file_set.hpp"
#include "demo/recordings.hpp"
#include "support/scratch_directory.hpp"
#include "support/wave_bytes.hpp"

namespace trellmark::demo {
namespace {

using testing::ScratchDirectory;
using Bytes = std::vector<unsigned char>;
using wavetest::readBytes;

Bytes header(const char* riffSize, const char* format, const char* dataSize) {
    std::string text = std::string("RIFF") + std::string(riffSize, 4) + "WAVEfmt " +
                       std::string("\x10\x00\x00\x00", 4) + std::string(format, 16) + "data" +
                       std::string(dataSize, 4);
    return Bytes(text.begin(), text.end());
}

// Offset over [begin, end) frames after the impulse, in LSB of the given depth.
PlantedDifference offset(double lsb, int bits, std::int64_t begin, std::int64_t end) {
    return {{0, lsb / std::ldexp(1.0, bits - 1)}, begin, end};
}

TEST(DemoRecordings, TinySixteenBitFileIsByteExact) {
    ScratchDirectory dir;
    RecordingPlan recording;
    recording.sampleRate = 8000;
    recording.sampleCount = 6;
    recording.impulsePosition = 1;
    recording.impulseValue = 0.5;
    recording.differences = {offset(-8192, 16, 2, 3), offset(2.5, 16, 3, 4), offset(3.5, 16, 4, 5)};
    ASSERT_TRUE(writeRecording(dir / "tiny.wav", recording));

    Bytes expected = header("\x30\x00\x00\x00",
                            "\x01\x00\x01\x00\x40\x1F\x00\x00\x80\x3E\x00\x00\x02\x00\x10\x00",
                            "\x0C\x00\x00\x00");
    // 0, 16384, 0, -8192, 2.5 -> 2, 3.5 -> 4 (halves to even), 0
    for (unsigned char b :
         {0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0xE0, 0x02, 0x00, 0x04, 0x00}) {
        expected.push_back(b);
    }
    Bytes actual = readBytes(dir / "tiny.wav");
    ASSERT_EQ(actual.size(), 56u);
    EXPECT_EQ(actual, expected);
}

TEST(DemoRecordings, TinyTwentyFourBitStereoFileIsByteExact) {
    ScratchDirectory dir;
    RecordingPlan recording;
    recording.bitsPerSample = 24;
    recording.channels = 2;
    recording.sampleCount = 2;
    recording.impulseValue = 0.5;
    recording.differences = {offset(-2097152, 24, 1, 2)};
    ASSERT_TRUE(writeRecording(dir / "tiny.wav", recording));

    Bytes expected = header("\x30\x00\x00\x00",
                            "\x01\x00\x02\x00\x44\xAC\x00\x00\x98\x09\x04\x00\x06\x00\x18\x00",
                            "\x0C\x00\x00\x00");
    // Frame 0: 4194304 and half of it; frame 1: -2097152 and half of it.
    for (unsigned char b :
         {0x00, 0x00, 0x40, 0x00, 0x00, 0x20, 0x00, 0x00, 0xE0, 0x00, 0x00, 0xF0}) {
        expected.push_back(b);
    }
    EXPECT_EQ(readBytes(dir / "tiny.wav"), expected);
}

TEST(DemoRecordings, ValuesAreClippedToTheDepth) {
    RecordingPlan recording;
    recording.sampleCount = 3;
    recording.impulseValue = 1.5;
    recording.differences = {{{0, -1.5}, 1, 2}, {{0, 1.0}, 2, 3}};
    EXPECT_EQ(recordingSamples(recording), (std::vector<std::int32_t>{32767, -32768, 32767}));
    recording.bitsPerSample = 24;
    EXPECT_EQ(recordingSamples(recording), (std::vector<std::int32_t>{8388607, -8388608, 8388607}));
}

TEST(DemoRecordings, UnwritablePlansWriteNothing) {
    ScratchDirectory dir;
    RecordingPlan recording;
    recording.sampleCount = 10;
    recording.bitsPerSample = 8;
    EXPECT_FALSE(writeRecording(dir / "a.wav", recording));
    recording.bitsPerSample = 32;
    EXPECT_FALSE(writeRecording(dir / "a.wav", recording));
    recording.bitsPerSample = 16;
    recording.channels = 0;
    EXPECT_FALSE(writeRecording(dir / "a.wav", recording));
    recording.channels = 1;
    recording.sampleCount = 0x80000000;  // 4 GiB of data: beyond the header's sizes
    EXPECT_FALSE(writeRecording(dir / "a.wav", recording));
    EXPECT_FALSE(std::filesystem::exists(dir / "a.wav"));
    recording.sampleCount = 10;
    EXPECT_FALSE(writeRecording(dir / "missing/a.wav", recording));

    recording.sampleCount = -5;  // an empty file, header only
    ASSERT_TRUE(writeRecording(dir / "empty.wav", recording));
    EXPECT_EQ(readBytes(dir / "empty.wav").size(), 44u);
}

TEST(DemoRecordings, NoiseIsTheSameOnEveryMachine) {
    // Triangular noise of peak 100 LSB from seed 7, worked out separately.
    RecordingPlan recording;
    recording.sampleCount = 6;
    recording.impulsePosition = -100;  // no impulse and no tones in these frames
    recording.noiseAmplitude = 100;
    recording.seed = 7;
    EXPECT_EQ(recordingSamples(recording), (std::vector<std::int32_t>{-59, 48, -30, -20, -45, 6}));
    recording.channels = 2;
    recording.sampleCount = 3;  // the same draws, taken channel by channel
    EXPECT_EQ(recordingSamples(recording), (std::vector<std::int32_t>{-59, 48, -30, -20, -45, 6}));
}

TEST(DemoRecordings, SamePlanSameBytes) {
    ScratchDirectory dir;
    RecordingPlan recording = demoTakes(true)[2];
    ASSERT_TRUE(writeRecording(dir / "a.wav", recording));
    ASSERT_TRUE(writeRecording(dir / "b.wav", recording));
    Bytes a = readBytes(dir / "a.wav");
    EXPECT_EQ(a.size(), 44u + 2 * 88200u);
    EXPECT_EQ(a, readBytes(dir / "b.wav"));
    recording.seed += 1;
    ASSERT_TRUE(writeRecording(dir / "c.wav", recording));
    EXPECT_NE(a, readBytes(dir / "c.wav"));
}

TEST(DemoRecordings, SineMatchesTheLibrary) {
    for (int k = -4000; k <= 4000; ++k) {
        double turns = k * 0.0123456789;
        // Extended precision keeps the reference exact to ~1e-17 even at 50 turns.
        long double reference = std::sin(2 * std::numbers::pi_v<long double> * turns);
        EXPECT_NEAR(sineOfTurns(turns), static_cast<double>(reference), 1e-15) << turns;
    }
    EXPECT_EQ(sineOfTurns(0), 0.0);
    EXPECT_DOUBLE_EQ(sineOfTurns(0.25), 1.0);
    EXPECT_DOUBLE_EQ(sineOfTurns(-0.25), -1.0);
}

TEST(DemoRecordings, ImpulseIsTheFirstValueAboveTheThreshold) {
    for (bool comparison : {false, true}) {
        for (const RecordingPlan& recording : demoTakes(comparison)) {
            std::vector<std::int32_t> s = recordingSamples(recording);
            ASSERT_EQ(s.size(), 88200u);
            std::size_t first = 0;
            while (first < s.size() && s[first] <= demoImpulseThreshold) ++first;
            EXPECT_EQ(first, static_cast<std::size_t>(recording.impulsePosition));
            EXPECT_GT(s[first], 26000);  // 0.9 of full scale at a gain near 1
            // Room for the level window and for the analysis window after it.
            EXPECT_LE(recording.impulsePosition + 17640 + demoAnalysisLength,
                      recording.sampleCount - 1000);
        }
    }
    RecordingPlan deep = demoTakes(false)[1];
    deep.bitsPerSample = 24;
    std::vector<std::int32_t> s = recordingSamples(deep);
    EXPECT_NEAR(s[2013], 7595045.68, 3.5);  // 0.9 * 1.006 * 2^23, noise of at most 3
}

TEST(DemoRecordings, ComparisonDiffersOnlyWhereTheToneIsPlanted) {
    RecordingPlan planted = demoTakes(true)[0];
    RecordingPlan plain = planted;
    plain.differences.clear();
    std::vector<std::int32_t> a = recordingSamples(planted);
    std::vector<std::int32_t> b = recordingSamples(plain);
    ASSERT_EQ(a.size(), b.size());
    const std::int64_t begin = planted.impulsePosition + 17640 + 11025;
    const std::int64_t end = planted.impulsePosition + 17640 + 22050;
    int largest = 0;
    for (std::int64_t n = 0; n < static_cast<std::int64_t>(a.size()); ++n) {
        int d = a[n] - b[n];
        if (n < begin || n >= end) {
            ASSERT_EQ(d, 0) << n;
        } else {
            largest = std::max(largest, std::abs(d));
        }
    }
    // 0.002 * 0.992 * 32768 = 65.01 LSB at the tone's peaks.
    EXPECT_GE(largest, 64);
    EXPECT_LE(largest, 66);
}

TEST(DemoRecordings, DemoLayoutIsTwoSetsOfFiveTakes) {
    ScratchDirectory dir;
    DemoLayout layout = makeDemoSets(dir / "demo");
    ASSERT_TRUE(layout.written);
    ASSERT_EQ(layout.paths.size(), 10u);
    EXPECT_EQ(layout.paths[0], dir / "demo/reference/take01.wav");
    EXPECT_EQ(layout.paths[9], dir / "demo/comparison/take05.wav");
    for (const std::string& path : layout.paths) {
        EXPECT_EQ(std::filesystem::file_size(path), 44u + 2 * 88200u) << path;
    }
    FileSet reference = findFileSet(dir / "demo/reference", demoCoreName);
    EXPECT_EQ(reference.count, 5);
    EXPECT_EQ(reference.paths.front(), layout.paths[0]);
    FileSet comparison = findFileSet(dir / "demo/comparison", demoCoreName);
    EXPECT_EQ(comparison.count, 5);
    EXPECT_EQ(comparison.paths.back(), layout.paths[9]);

    // A second run over the same directory writes the same files again.
    Bytes before = readBytes(layout.paths[3]);
    ASSERT_TRUE(makeDemoSets(dir / "demo").written);
    EXPECT_EQ(readBytes(layout.paths[3]), before);

    dir.writeFile("blocked");  // a file where a directory should go
    EXPECT_FALSE(makeDemoSets(dir / "blocked").written);
}

}  // namespace
}  // namespace trellmark::demo
