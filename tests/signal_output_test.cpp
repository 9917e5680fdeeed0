#include "report/signal_output.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <utility>
#include <vector>

#include "support/scratch_directory.hpp"
#include "support/wave_bytes.hpp"

namespace trellmark {
namespace {

using namespace wavetest;
using testing::ScratchDirectory;

const WaveInfo sixteenBit{1, 44100, 16, 200, 100};

std::size_t filesIn(const ScratchDirectory& dir) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++count;
    return count;
}

// Which of the three files were written.
struct SignalFilesWritten {
    bool referenceMean = false;
    bool comparisonMean = false;
    bool difference = false;
};

// The three signals as the record of a run holds them.
SignalFilesWritten writeSignals(const SignalFileNames& names, std::int32_t length,
                                const WaveInfo& last, std::vector<double> referenceMean,
                                std::vector<double> comparisonMean,
                                std::vector<double> difference) {
    RunResults run;
    run.parameters.analysisLength = length;
    run.scaleFile = last;
    run.scaleFile.kind = SampleKind::integer;
    run.referenceStatistics.mean = std::move(referenceMean);
    run.comparisonStatistics.mean = std::move(comparisonMean);
    run.result.differenceSignal = std::move(difference);
    SignalFilesWritten written;
    for (const OutputOutcome& outcome : writeSignalFiles(names, run)) {
        bool& flag = outcome.kind == "referenceMean"    ? written.referenceMean
                     : outcome.kind == "comparisonMean" ? written.comparisonMean
                                                        : written.difference;
        flag = outcome.result.written;
    }
    return written;
}

Bytes dataOf(const Bytes& bytes) {
    return Bytes(bytes.begin() + 44, bytes.end());
}

TEST(SignalOutput, OnlyTheDifferenceNameWritesOnlyThatFile) {
    ScratchDirectory dir;
    const SignalFilesWritten written =
        writeSignals({"", "", (dir / "diff.wav")}, 3, sixteenBit, {5.0, 5.0, 5.0}, {4.0, 4.0, 4.0},
                     {0.0, 2.5, -2.5});
    EXPECT_FALSE(written.referenceMean);
    EXPECT_FALSE(written.comparisonMean);
    EXPECT_TRUE(written.difference);
    EXPECT_EQ(filesIn(dir), 1u);
    const Bytes bytes = readBytes((dir / "diff.wav"));
    ASSERT_EQ(bytes.size(), 50u);
    EXPECT_EQ(uint32At(bytes, 24), 44100u);
    EXPECT_EQ(uint16At(bytes, 34), 16);
    // The two unnamed files used draws 1 to 12, so the difference file gets
    // draws 13 to 18: 0.0 -> 0, 2.5 -> 3, -2.5 -> -2 (worked out separately).
    EXPECT_EQ(dataOf(bytes), (Bytes{0x00, 0x00, 0x03, 0x00, 0xFE, 0xFF}));
}

TEST(SignalOutput, DifferenceBytesDoNotDependOnTheOtherNames) {
    ScratchDirectory dir;
    const std::vector<double> reference(500, 7.25);
    const std::vector<double> comparison(500, -3.5);
    std::vector<double> difference(500, 0.0);
    difference[17] = 10.75;

    writeSignals({"", "", (dir / "alone.wav")}, 500, sixteenBit, reference, comparison, difference);
    writeSignals({(dir / "ref.wav"), (dir / "cmp.wav"), (dir / "all.wav")}, 500, sixteenBit,
                 reference, comparison, difference);
    EXPECT_EQ(readBytes((dir / "alone.wav")), readBytes((dir / "all.wav")));
}

TEST(SignalOutput, AllFilesTakeTheLastFilesRateAndDepth) {
    ScratchDirectory dir;
    const WaveInfo last{2, 96000, 24, 600, 100};
    // A 16-bit-scale mean goes unscaled into the 24-bit file.
    writeSignals({(dir / "ref.wav"), (dir / "cmp.wav"), (dir / "diff.wav")}, 3, last,
                 {1000.0, -1000.0, 3.0}, {0.0, 0.0, 0.0}, {0.0, 0.0, 0.0});
    for (const char* name : {"ref.wav", "cmp.wav", "diff.wav"}) {
        SCOPED_TRACE(name);
        const Bytes bytes = readBytes((dir / name));
        ASSERT_EQ(bytes.size(), 53u);
        EXPECT_EQ(uint16At(bytes, 22), 1);  // mono whatever the input was
        EXPECT_EQ(uint32At(bytes, 24), 96000u);
        EXPECT_EQ(uint32At(bytes, 28), 288000u);
        EXPECT_EQ(uint16At(bytes, 34), 24);
    }
    EXPECT_EQ(dataOf(readBytes((dir / "ref.wav"))),
              (Bytes{0xE8, 0x03, 0x00, 0x18, 0xFC, 0xFF, 0x03, 0x00, 0x00}));
}

TEST(SignalOutput, HundredValuesGiveThreeFilesOf244Bytes) {
    ScratchDirectory dir;
    const std::vector<double> signal(100, 12.5);
    writeSignals({(dir / "a.wav"), (dir / "b.wav"), (dir / "c.wav")}, 100, sixteenBit, signal,
                 signal, signal);
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        EXPECT_EQ(readBytes((dir / name)).size(), 244u) << name;
    }
}

TEST(SignalOutput, NoSignificantIndexLeavesOnlyDither) {
    ScratchDirectory dir;
    writeSignals({"", "", (dir / "diff.wav")}, 3000, sixteenBit, std::vector<double>(3000),
                 std::vector<double>(3000), std::vector<double>(3000, 0.0));
    const Bytes data = dataOf(readBytes((dir / "diff.wav")));
    ASSERT_EQ(data.size(), 6000u);
    std::set<int> seen;
    for (std::size_t i = 0; i < data.size(); i += 2) {
        seen.insert(static_cast<std::int16_t>(data[i] | (data[i + 1] << 8)));
    }
    EXPECT_EQ(seen, (std::set<int>{-1, 0, 1}));
}

TEST(SignalOutput, TheSameNameTwiceKeepsTheLaterSignal) {
    ScratchDirectory dir;
    writeSignals({(dir / "same.wav"), (dir / "same.wav"), ""}, 3, sixteenBit,
                 {-20000.0, -20000.0, -20000.0}, {20000.0, 20000.0, 20000.0}, {0.0, 0.0, 0.0});
    const Bytes data = dataOf(readBytes((dir / "same.wav")));
    ASSERT_EQ(data.size(), 6u);
    for (std::size_t i = 0; i < data.size(); i += 2) {
        const int value = static_cast<std::int16_t>(data[i] | (data[i + 1] << 8));
        EXPECT_GE(value, 19999);
        EXPECT_LE(value, 20001);
    }
}

// Figures in the steps of an 8-bit scale file go into 16-bit files, 256 of
// their steps to one 8-bit step.
TEST(SignalOutput, EightBitScaleFileWritesSixteenBitFiles) {
    ScratchDirectory dir;
    const SignalFilesWritten written =
        writeSignals({(dir / "a.wav"), (dir / "b.wav"), (dir / "c.wav")}, 3,
                     WaveInfo{1, 8000, 8, 3, 3}, {1.0, 2.0, -3.0}, {1.0, 2.0, 3.0}, {0.0, 0.0, 0.0});
    EXPECT_TRUE(written.referenceMean && written.comparisonMean && written.difference);
    const Bytes bytes = readBytes(dir / "a.wav");
    ASSERT_EQ(bytes.size(), 50u);
    EXPECT_EQ(uint16At(bytes, 34), 16);
    EXPECT_EQ(uint32At(bytes, 24), 8000u);
    const std::int16_t exact[] = {256, 512, -768};
    for (int i = 0; i < 3; ++i) {
        EXPECT_LE(std::abs(static_cast<std::int16_t>(uint16At(bytes, 44 + 2 * i)) - exact[i]), 1);
    }
}

}  // namespace
}  // namespace trellmark
