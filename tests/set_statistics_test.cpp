#include "analysis/set_statistics.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/impulse_level.hpp"
#include "analysis/window_accumulator.hpp"
#include "console/console.hpp"
#include "dialogue/screen_events.hpp"
#include "support/find_impulse.hpp"
#include "support/screen_rows.hpp"
#include "support/scripted_keys.hpp"
#include "wave/wave_info.hpp"

namespace trellmark {
namespace {

TEST(FindImpulse, FirstValueStrictlyAboveTheThreshold) {
    const std::vector<std::int32_t> values{5, -300, 10, 11, 400};
    EXPECT_EQ(findImpulse(values, 10), 3);  // 10 equals the threshold and is passed over
    EXPECT_EQ(findImpulse(values, 4), 0);
    EXPECT_EQ(findImpulse(values, 400), 5);  // none: one past the end
    EXPECT_EQ(findImpulse({}, 0), 0);
    // Negative excursions never count for a non-negative threshold.
    EXPECT_EQ(findImpulse(std::vector<std::int32_t>{-32768, -8388608, 0, 1}, 0), 3);
    EXPECT_EQ(findImpulse(std::vector<std::int32_t>{-9, -5, -3}, -5), 2);
}

TEST(MeasureLevel, RootMeanSquareOverTheWholeWindow) {
    std::vector<std::int32_t> window(4410, 3);
    EXPECT_EQ(measureLevel(window), 3.0);
    for (std::size_t k = 1; k < window.size(); k += 2) window[k] = -4;
    EXPECT_EQ(measureLevel(window), 3.5355339059327378);  // sqrt(12.5)
    // Full-scale 24-bit values: the squares are summed in doubles, in order.
    EXPECT_EQ(measureLevel(std::vector<std::int32_t>(4410, 8388607)), 8388606.999999942);
    EXPECT_EQ(measureLevel(std::vector<std::int32_t>(4410, 0)), 0.0);
    // The divisor is the window length even when fewer values are given.
    EXPECT_EQ(measureLevel(std::vector<std::int32_t>(1, 2100)), std::sqrt(1000.0));
}

TEST(ReferenceLevel, TheScaleTakesLevelOrSilence) {
    SetStatistics reference;
    EXPECT_EQ(referenceLevelOf(reference), 0.0);
    reference.levels = {0.0, 250.5, 100.0};
    EXPECT_EQ(referenceLevelOf(reference), 0.0);  // no take has been found to have a level
    reference.scaleTake = 1;
    EXPECT_EQ(referenceLevelOf(reference), 250.5);
}

TEST(ScaleToReference, NearestIntegerOfReferenceTimesValueOverLevel) {
    EXPECT_EQ(scaleToReference(3, 1000.0, 500.0), 6);
    EXPECT_EQ(scaleToReference(3, 1.0, 2.0), 2);    // 1.5
    EXPECT_EQ(scaleToReference(5, 1.0, 2.0), 2);    // 2.5, ties to even
    EXPECT_EQ(scaleToReference(-3, 1.0, 2.0), -2);  // -1.5
    EXPECT_EQ(scaleToReference(7, 1.0, 2.0), 4);    // 3.5
    // (0.1 x -15) / 0.6 is -2.5 exactly in doubles; (0.1 / 0.6) x -15 is not.
    EXPECT_EQ(scaleToReference(-15, 0.1, 0.6), -2);
    EXPECT_EQ(scaleToReference(15, 0.1, 0.6), 2);
    // The level of the value's own file: no change at all.
    EXPECT_EQ(scaleToReference(-8388608, 3456.789, 3456.789), -8388608);
}

TEST(ScaleToReference, SilenceAndLoudScalingStayDefined) {
    EXPECT_EQ(scaleToReference(100, 1000.0, 0.0), 0);  // infinite
    EXPECT_EQ(scaleToReference(0, 1000.0, 0.0), 0);    // 0 / 0
    EXPECT_EQ(scaleToReference(100, 0.0, 250.0), 0);
    // Beyond 32 bits without wrapping: 8388607^2 x 2.
    EXPECT_EQ(scaleToReference(8388607, 8388607.0, 0.5), 140737454800898);
    EXPECT_EQ(scaleToReference(-8388608, 1e20, 1.0), -4611686018427387904);
    EXPECT_EQ(scaleToReference(-8388608, 1e300, 1e-300), 0);  // overflows to infinity
}

TEST(SquareRoot, NegativeArgumentsComeBackUnchanged) {
    EXPECT_EQ(sqrtKeepingNegative(6.25), 2.5);
    EXPECT_EQ(sqrtKeepingNegative(-2.5), -2.5);
    EXPECT_EQ(sqrtKeepingNegative(-1e-30), -1e-30);
    EXPECT_EQ(sqrtKeepingNegative(0.0), 0.0);
}

SetStatistics accumulate(std::int16_t files, std::int32_t length,
                         const std::vector<std::vector<std::int32_t>>& windows,
                         const std::vector<double>& levels, double referenceLevel) {
    WindowAccumulator accumulator = startAccumulation(files, length);
    for (std::size_t i = 0; i < windows.size(); ++i) {
        addWindow(accumulator, windows[i], levels[i], referenceLevel);
    }
    SetStatistics statistics;
    finishAccumulation(accumulator, statistics);
    return statistics;
}

TEST(Accumulation, TwoFilesGiveHalfTheirDifferenceOverRootTwo) {
    const SetStatistics s =
        accumulate(2, 4, {{0, 10, -7, 3}, {4, 10, 1, -2}}, {100.0, 100.0}, 100.0);
    EXPECT_EQ(s.mean, (std::vector<double>{2, 10, -3, 0.5}));
    ASSERT_EQ(s.stdDev.size(), 4u);
    // |a - b| / sqrt 2, computed independently.
    EXPECT_DOUBLE_EQ(s.stdDev[0], 2.82842712474619);
    EXPECT_EQ(s.stdDev[1], 0.0);
    EXPECT_DOUBLE_EQ(s.stdDev[2], 5.65685424949238);
    EXPECT_DOUBLE_EQ(s.stdDev[3], 3.5355339059327373);
    EXPECT_EQ(s.largestStdDev, s.stdDev[2]);
    EXPECT_DOUBLE_EQ(s.stdDevSum, 12.020815280171307);
}

TEST(Accumulation, FilesAreScaledToTheReferenceAndShiftedByTheFirstScaled) {
    // Reference level 100: the first file (level 50) doubles, the second stays.
    // Scaled windows {20, 40} and {30, 40}.
    const SetStatistics s = accumulate(2, 2, {{10, 20}, {30, 40}}, {50.0, 100.0}, 100.0);
    EXPECT_EQ(s.mean, (std::vector<double>{25, 40}));
    EXPECT_DOUBLE_EQ(s.stdDev[0], 7.0710678118654755);  // 10 / sqrt 2
    EXPECT_EQ(s.stdDev[1], 0.0);
}

TEST(Accumulation, FiveFilesAgainstAnIndependentComputation) {
    // Python: statistics.mean / statistics.stdev of the scaled columns.
    // Levels 1000, 500, 2000, 1000, 800; reference 1000; scaled files:
    // {100, -3, 7}, {50, -4, 6}, {100, -8, 8}, {120, 1, 0}, {125, 9, 12}.
    const SetStatistics s =
        accumulate(5, 3, {{100, -3, 7}, {25, -2, 3}, {200, -15, 15}, {120, 1, 0}, {100, 7, 10}},
                   {1000.0, 500.0, 2000.0, 1000.0, 800.0}, 1000.0);
    EXPECT_DOUBLE_EQ(s.mean[0], 99.0);
    EXPECT_DOUBLE_EQ(s.mean[1], -1.0);
    EXPECT_DOUBLE_EQ(s.mean[2], 6.6);
    EXPECT_DOUBLE_EQ(s.stdDev[0], 29.664793948382652);
    EXPECT_DOUBLE_EQ(s.stdDev[1], 6.442049363362563);
    EXPECT_DOUBLE_EQ(s.stdDev[2], 4.33589667773576);
    EXPECT_DOUBLE_EQ(s.largestStdDev, 29.664793948382652);
    EXPECT_DOUBLE_EQ(s.stdDevSum, 40.44273998948098);
}

TEST(Accumulation, IdenticalFilesGiveZeroWithinRounding) {
    const std::vector<std::int32_t> window{3, -7, 1, 0, 32767};
    const SetStatistics s =
        accumulate(5, 5, {window, window, window, window, window}, {9, 9, 9, 9, 9}, 9.0);
    for (std::size_t j = 0; j < window.size(); ++j) {
        EXPECT_FALSE(std::isnan(s.stdDev[j])) << j;
        EXPECT_NEAR(s.stdDev[j], 0.0, 1e-6) << j;
        EXPECT_NEAR(s.mean[j], window[j], 1e-9) << j;
    }
}

TEST(Accumulation, EmptySetGivesZerosAndOneFileGivesNotANumber) {
    const SetStatistics empty = accumulate(0, 3, {}, {}, 0.0);
    EXPECT_EQ(empty.mean, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(empty.stdDev, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(empty.largestStdDev, 0.0);
    EXPECT_EQ(empty.stdDevSum, 0.0);

    const SetStatistics one = accumulate(1, 2, {{4, -6}}, {10.0}, 10.0);
    EXPECT_EQ(one.mean, (std::vector<double>{4, -6}));
    EXPECT_TRUE(std::isnan(one.stdDev[0]));
    EXPECT_TRUE(std::isnan(one.stdDev[1]));
    EXPECT_EQ(one.largestStdDev, 0.0);  // NaN never replaces it
    EXPECT_TRUE(std::isnan(one.stdDevSum));
}

TEST(Accumulation, SilentFilesEnterAsZeros) {
    // Level 0: every scaled value is 0, though the window itself is not.
    const SetStatistics s = accumulate(2, 2, {{6, 8}, {6, 8}}, {2.0, 0.0}, 2.0);
    EXPECT_EQ(s.mean, (std::vector<double>{3, 4}));
    EXPECT_DOUBLE_EQ(s.stdDev[0], 4.242640687119285);  // 6 / sqrt 2
    EXPECT_DOUBLE_EQ(s.stdDev[1], 5.65685424949238);   // 8 / sqrt 2
}

TEST(Accumulation, LengthZeroOrBelowHasEmptyArrays) {
    EXPECT_TRUE(accumulate(2, 0, {{}, {}}, {1, 1}, 1).mean.empty());
    const SetStatistics negative = accumulate(2, -5, {{}, {}}, {1, 1}, 1);
    EXPECT_TRUE(negative.stdDev.empty());
    EXPECT_EQ(negative.stdDevSum, 0.0);
}

// Files for the end-to-end cases, written here byte by byte so that the reader
// is checked against an independent writer.
class SetFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        directory = std::filesystem::temp_directory_path() /
                    ("tm_stats_" + std::to_string(::getpid()) + "_" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(directory);
        useLabelColours(console);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    // A mono wave file; dataSize, when given, replaces the true data size in the
    // header.
    std::string writeWave(const std::string& name, int bits,
                          const std::vector<std::int32_t>& values,
                          std::optional<std::uint32_t> dataSize = std::nullopt) {
        const int bytes = bits / 8;
        const auto trueSize = static_cast<std::uint32_t>(values.size() * bytes);
        std::string data;
        const auto put = [&data](std::uint32_t value, int count) {
            for (int k = 0; k < count; ++k) data += static_cast<char>((value >> (8 * k)) & 0xFF);
        };
        data += "RIFF";
        put(36 + trueSize, 4);
        data += "WAVEfmt ";
        put(16, 4);
        put(1, 2);
        put(1, 2);
        put(44100, 4);
        put(44100 * bytes, 4);
        put(bytes, 2);
        put(bits, 2);
        data += "data";
        put(dataSize.value_or(trueSize), 4);
        for (const std::int32_t value : values) put(static_cast<std::uint32_t>(value), bytes);
        return writeBytes(name, data);
    }

    std::string writeBytes(const std::string& name, const std::string& bytes) {
        const std::string path = (directory / name).string();
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        return path;
    }

    FileSet setOf(const std::vector<std::string>& paths) {
        FileSet set;
        set.directory = directory.string();
        set.count = static_cast<std::int16_t>(paths.size());
        set.paths = paths;
        for (const std::string& path : paths) {
            set.names.push_back(std::filesystem::path(path).filename().string());
        }
        return set;
    }

    SetStatistics run(const std::vector<std::string>& paths, std::int32_t threshold,
                      std::int32_t length, std::optional<double> referenceLevel = std::nullopt) {
        AnalysisParameters parameters;
        parameters.impulseThreshold = threshold;
        parameters.startOffset = fixedStartOffset;
        parameters.analysisLength = length;
        parameters.confidenceLevel = 95;
        ScreenEvents events(console, parameters);
        SetStatistics statistics =
            computeSetStatistics(setOf(paths), parameters, referenceLevel, events);
        // The summary in the units of the last file read, as a run shows it.
        if (!statistics.files.empty()) info = statistics.files.back().header;
        events.setFinished(statistics, info.bitsPerSample);
        return statistics;
    }

    std::string row(int index) const { return trimmedRow(console.screen, index); }

    std::filesystem::path directory;
    ScriptedKeys keys;
    Console console{keys, nullptr};
    WaveInfo info;
};

// A recording with its impulse at p: the level window (p + 6616 .. p + 11025)
// holds level, the analysis window from p + 17640 holds window, and the values
// just outside both windows are loud, so a misplaced window shows.
std::vector<std::int32_t> recording(std::int64_t p, std::int32_t impulse, std::int32_t level,
                                    const std::vector<std::int32_t>& window,
                                    std::int32_t outside = 9999) {
    std::vector<std::int32_t> values(p + 17640 + window.size() + 10, 0);
    values[p] = impulse;
    values[p + 6615] = outside;
    for (std::int64_t k = p + 6616; k <= p + 11025; ++k) values[k] = level;
    values[p + 11026] = outside;
    values[p + 17639] = outside;
    for (std::size_t j = 0; j < window.size(); ++j) values[p + 17640 + j] = window[j];
    values[p + 17640 + window.size()] = outside;
    return values;
}

const std::string largestLabel =
    "   The largest single sample standard deviation within these files is";
const std::string averageLabel =
    "   The average per sample standard deviation within these files is";

std::string atColumn70(const std::string& label, const std::string& figure) {
    return label + std::string(70 - label.size(), ' ') + figure;
}

TEST_F(SetFiles, WindowsSitAtTheirOffsetsFromTheImpulse) {
    // 500 equals the threshold and is passed over; 1000 at index 3 is the impulse.
    std::vector<std::int32_t> values = recording(3, 1000, 100, {1, 2, 3, -4});
    values[1] = 500;
    const std::string path = writeWave("one.wav", 16, values);
    const SetStatistics s = run({path}, 500, 4);
    EXPECT_EQ(s.fileCount, 1);
    EXPECT_EQ(s.levels, (std::vector<double>{100.0}));
    EXPECT_EQ(s.mean, (std::vector<double>{1, 2, 3, -4}));
    EXPECT_EQ(row(0), "   Reading " + path);
    EXPECT_EQ(row(1), "");  // no note for a sound file
}

TEST_F(SetFiles, ImpulseAtTheFirstValue) {
    const std::string path = writeWave("first.wav", 24, recording(0, 8388607, -2000, {7, -8}));
    const SetStatistics s = run({path}, 0, 2);
    EXPECT_EQ(s.levels, (std::vector<double>{2000.0}));
    EXPECT_EQ(s.mean, (std::vector<double>{7, -8}));
}

TEST_F(SetFiles, ImpulsesBeyondTheFirstLoadedStretch) {
    // The search loads a file in stretches; impulses on both sides of a seam.
    for (const std::int64_t p : {65535, 65536, 200001}) {
        std::vector<std::int32_t> values = recording(p, 3, 40, {5});
        const std::string path = writeWave("far" + std::to_string(p) + ".wav", 16, values);
        const SetStatistics s = run({path}, 2, 1);
        EXPECT_EQ(s.levels, (std::vector<double>{40.0})) << p;
        EXPECT_EQ(s.mean, (std::vector<double>{5})) << p;
    }
}

TEST_F(SetFiles, ThreeFilesAgainstAnIndependentComputation) {
    // Levels 1000, 500 and 2000 (alternating signs); impulses at 5, 0 and 100.
    // Scaled windows (Python, ties to even): {100, -250, 3, 0, 32767, -32768},
    // {100, -250, 4, 14, 32000, -32768}, {115, -250, 2, 0, 16384, -16384}.
    std::vector<std::int32_t> first = recording(5, 20, 1000, {100, -250, 3, 0, 32767, -32768});
    first[2] = -30000;
    const std::vector<std::int32_t> second = recording(0, 1, 500, {50, -125, 2, 7, 16000, -16384});
    std::vector<std::int32_t> third = recording(100, 1, 2000, {230, -500, 5, -1, 32767, -32767});
    for (std::int64_t k = 100 + 6617; k <= 100 + 11025; k += 2) third[k] = -2000;
    const SetStatistics s = run({writeWave("a.wav", 16, first), writeWave("b.wav", 16, second),
                                 writeWave("c.wav", 16, third)},
                                0, 6);
    EXPECT_EQ(s.levels, (std::vector<double>{1000, 500, 2000}));
    const std::vector<double> mean{
        105.0, -250.0, 3.0, 4.666666666666667, 27050.333333333332, -27306.666666666668};
    const std::vector<double> stdDev{
        8.660254037844387, 0.0, 1.0, 8.082903768654761, 9245.272972353674, 9459.306810402828};
    for (std::size_t j = 0; j < 6; ++j) {
        EXPECT_DOUBLE_EQ(s.mean[j], mean[j]) << j;
        EXPECT_NEAR(s.stdDev[j], stdDev[j], 1e-9 * (1 + stdDev[j])) << j;
    }
    EXPECT_DOUBLE_EQ(s.largestStdDev, 9459.306810402828);
    EXPECT_DOUBLE_EQ(s.stdDevSum, 18722.322940563);
    EXPECT_EQ(row(3), "");
    EXPECT_EQ(row(4), atColumn70(largestLabel, " 9459.307 LSB, 16 bit"));
    EXPECT_EQ(row(5), atColumn70(averageLabel, " 3120.387 LSB, 16 bit"));
    EXPECT_EQ(row(6), "");
    EXPECT_EQ(row(7), "");
    EXPECT_EQ(console.screen.cursorRow, 8);
    EXPECT_EQ(console.screen.cursorColumn, 0);
}

TEST_F(SetFiles, SummaryFiguresInValueColoursLabelsInLabelColours) {
    const std::string a = writeWave("a.wav", 16, recording(0, 5, 100, {10, 20, -30}));
    const std::string b = writeWave("b.wav", 16, recording(0, 5, 100, {12, 20, -30}));
    run({a, b}, 0, 3);
    // |10 - 12| / sqrt 2 = 1.41421; average 0.47140
    EXPECT_EQ(row(3), atColumn70(largestLabel, " 1.414 LSB, 16 bit"));
    EXPECT_EQ(row(4), atColumn70(averageLabel, " .471 LSB, 16 bit"));
    EXPECT_TRUE(cellsHaveColours(console.screen, 3, 0, 69, darkGrey, brightWhite));
    EXPECT_TRUE(cellsHaveColours(console.screen, 3, 70, 87, black, brightWhite));
    EXPECT_TRUE(cellsHaveColours(console.screen, 4, 0, 69, darkGrey, brightWhite));
    EXPECT_TRUE(cellsHaveColours(console.screen, 4, 70, 86, black, brightWhite));
    EXPECT_EQ(console.screen.foreground, darkGrey);  // label colours left in force
}

TEST_F(SetFiles, MixedDepthsScaleToTheFirstFileAndShowTheLastDepth) {
    const std::string a = writeWave("a.wav", 16, recording(0, 5, 100, {10, 20, -30}));
    // 256 times louder at 24 bits: scaled back by 1/256.
    const std::string b =
        writeWave("b.wav", 24, recording(0, 5, 25600, {256 * 12, 256 * 20, -256 * 30}));
    const SetStatistics s = run({a, b}, 0, 3);
    EXPECT_EQ(s.levels, (std::vector<double>{100, 25600}));
    EXPECT_EQ(s.mean, (std::vector<double>{11, 20, -30}));
    EXPECT_DOUBLE_EQ(s.stdDev[0], 1.4142135623730951);
    EXPECT_EQ(info.bitsPerSample, 24);
    EXPECT_EQ(row(3), atColumn70(largestLabel, " 1.414 LSB, 24 bit"));
}

TEST_F(SetFiles, ComparisonScalesToTheReferenceAndKeepsItsOwnFigures) {
    const SetStatistics reference = run({writeWave("r1.wav", 16, recording(0, 5, 300, {1000, 0})),
                                         writeWave("r2.wav", 16, recording(0, 5, 300, {0, 0}))},
                                        0, 2);
    EXPECT_DOUBLE_EQ(reference.largestStdDev, 707.1067811865474);  // 1000 / sqrt 2
    // Level 150: doubled to the reference's 300.
    const SetStatistics comparison = run({writeWave("c1.wav", 16, recording(0, 5, 150, {3, 4})),
                                          writeWave("c2.wav", 16, recording(0, 5, 150, {3, 5}))},
                                         0, 2, referenceLevelOf(reference));
    EXPECT_EQ(comparison.mean, (std::vector<double>{6, 9}));
    EXPECT_EQ(comparison.stdDev[0], 0.0);
    EXPECT_DOUBLE_EQ(comparison.stdDev[1], 1.4142135623730951);
    EXPECT_DOUBLE_EQ(comparison.largestStdDev, 1.4142135623730951);
    EXPECT_DOUBLE_EQ(comparison.stdDevSum, 1.4142135623730951);
}

TEST_F(SetFiles, IdenticalFilesGiveZero) {
    const std::vector<std::int32_t> values = recording(2, 9, 777, {3, -7, 1, 0, 32767});
    const SetStatistics s = run({writeWave("a.wav", 16, values), writeWave("b.wav", 16, values),
                                 writeWave("c.wav", 16, values)},
                                0, 5);
    for (const double d : s.stdDev) EXPECT_NEAR(d, 0.0, 1e-6);
    EXPECT_EQ(row(4), atColumn70(largestLabel, " 0 LSB, 16 bit"));
    EXPECT_EQ(row(5), atColumn70(averageLabel, " 0 LSB, 16 bit"));
}

TEST_F(SetFiles, OneFilePrintsNotANumberAsZero) {
    const SetStatistics s = run({writeWave("a.wav", 16, recording(0, 5, 10, {4, 4}))}, 0, 2);
    EXPECT_TRUE(std::isnan(s.stdDevSum));
    EXPECT_EQ(row(2), atColumn70(largestLabel, " 0 LSB, 16 bit"));
    EXPECT_EQ(row(3), atColumn70(averageLabel, " 0 LSB, 16 bit"));
}

TEST_F(SetFiles, EmptySetPrintsZeroAndZero) {
    info.bitsPerSample = 24;  // left from an earlier file
    const SetStatistics s = run({}, 0, 3);
    EXPECT_EQ(s.fileCount, 0);
    EXPECT_TRUE(s.levels.empty());
    EXPECT_EQ(s.mean, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(s.stdDev, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(referenceLevelOf(s), 0.0);
    EXPECT_EQ(row(0), "");
    EXPECT_EQ(row(1), atColumn70(largestLabel, " 0 LSB, 24 bit"));
    EXPECT_EQ(row(2), atColumn70(averageLabel, " 0 LSB, 24 bit"));
    EXPECT_EQ(console.screen.cursorRow, 5);
}

TEST_F(SetFiles, LengthZeroPrintsZeroOverZeroAsZero) {
    const std::string a = writeWave("a.wav", 16, recording(0, 5, 10, {}));
    const SetStatistics s = run({a, a}, 0, 0);
    EXPECT_TRUE(s.mean.empty());
    EXPECT_EQ(row(3), atColumn70(largestLabel, " 0 LSB, 16 bit"));
    EXPECT_EQ(row(4), atColumn70(averageLabel, " 0 LSB, 16 bit"));
}

TEST_F(SetFiles, FileWithoutImpulseEntersAsSilence) {
    const std::string sound = writeWave("a.wav", 16, recording(0, 5, 100, {40, -60}));
    const std::string quiet = writeWave("b.wav", 16, recording(0, 4, 4, {4, 4}, 4));
    const SetStatistics s = run({sound, quiet}, 4, 2);
    EXPECT_EQ(s.levels, (std::vector<double>{100, 0}));
    EXPECT_EQ(s.mean, (std::vector<double>{20, -30}));
    EXPECT_EQ(row(0), "   Reading " + sound);
    EXPECT_EQ(row(1), "   Reading " + quiet);
    EXPECT_EQ(row(2), "   No sample in this file is above the impulse threshold.");
    EXPECT_TRUE(cellsHaveColours(console.screen, 2, 0, 56, darkGrey, brightWhite));
    EXPECT_EQ(row(3), "");
    EXPECT_EQ(row(4), atColumn70(largestLabel, " 42.426 LSB, 16 bit"));  // 60 / sqrt 2
}

TEST_F(SetFiles, ShortFilesReadZerosPastTheirEnd) {
    // Ends inside the analysis window: its last value is missing.
    std::vector<std::int32_t> cut = recording(0, 5, 100, {40, -60});
    cut.resize(17641);
    // Ends inside the level window: 2205 of its 4410 values remain.
    std::vector<std::int32_t> shorter = recording(0, 5, 100, {40, -60});
    shorter.resize(6616 + 2205);
    // Its header promises the whole recording; the file holds only part of it.
    const std::vector<std::int32_t> whole = recording(0, 5, 100, {40, -60});
    const std::vector<std::int32_t> part(whole.begin(), whole.begin() + 17641);
    const std::string a = writeWave("a.wav", 16, cut);
    const std::string b = writeWave("b.wav", 16, shorter);
    std::string c = writeWave("c.wav", 16, part, static_cast<std::uint32_t>(whole.size() * 2));
    const SetStatistics s = run({a, b, c}, 0, 2);
    // sqrt(2205 x 100^2 / 4410) = 100 / sqrt 2
    EXPECT_EQ(s.levels[0], 100.0);
    EXPECT_DOUBLE_EQ(s.levels[1], 70.71067811865476);
    EXPECT_EQ(s.levels[2], 100.0);
    // Scaled windows {40, 0}, {0, 0} (the second file ends before its window
    // begins) and {40, 0}.
    EXPECT_DOUBLE_EQ(s.mean[0], 80.0 / 3);
    EXPECT_EQ(s.mean[1], 0.0);
    const std::string note =
        "   This file ends before its level or analysis window does; the missing samples are "
        "taken as 0.";
    for (const int r : {1, 3, 5}) EXPECT_EQ(row(r), note) << r;
    EXPECT_EQ(row(2), "   Reading " + b);
}

TEST_F(SetFiles, UnreadableFilesAreNamedAndTakenAsSilence) {
    const std::string sound = writeWave("a.wav", 16, recording(0, 5, 100, {40}));
    const std::string missing = (directory / "missing.wav").string();
    const std::string stub = writeBytes("stub.wav", std::string("RIFF\x24\x00\x00\x00WAVE", 12));
    std::vector<std::int32_t> eightBit = recording(0, 5, 100, {40});
    const std::string other = writeWave("eight.wav", 16, eightBit);
    {
        // The same bytes, declared as 8 bits per sample: no samples at all.
        std::FILE* file = std::fopen(other.c_str(), "r+b");
        std::fseek(file, 34, SEEK_SET);
        std::fputc(8, file);
        std::fclose(file);
    }
    const SetStatistics s = run({sound, missing, stub, other}, 0, 1);
    EXPECT_EQ(s.levels, (std::vector<double>{100, 0, 0, 0}));
    EXPECT_EQ(s.mean, (std::vector<double>{10}));
    EXPECT_EQ(row(1), "   Reading " + missing);
    EXPECT_EQ(row(2), "   This file cannot be opened; it is taken as silence.");
    EXPECT_EQ(row(3), "   Reading " + stub);
    EXPECT_EQ(row(4), "   This file is shorter than a wave header; it is taken as silence.");
    EXPECT_EQ(row(5), "   Reading " + other);
    EXPECT_EQ(row(6), "   No sample in this file is above the impulse threshold.");
    EXPECT_EQ(row(7), "");
    EXPECT_EQ(info.bitsPerSample, 8);
}

TEST_F(SetFiles, NegativeThresholdFindsTheZerosPastTheData) {
    // Every stored value is below -100; the header promises 20000 more values,
    // which read as 0 and so lie above the threshold: the impulse is the first
    // of them, at 50, and both windows after it read zeros.
    const std::vector<std::int32_t> values(50, -200);
    const std::string path = writeWave("neg.wav", 16, values, 2 * 20050);
    const SetStatistics s = run({path}, -100, 1);
    EXPECT_EQ(s.levels, (std::vector<double>{0}));
    EXPECT_EQ(row(1),
              "   This file ends before its level or analysis window does; the missing samples "
              "are taken as 0.");
}
}  // namespace
}  // namespace trellmark
