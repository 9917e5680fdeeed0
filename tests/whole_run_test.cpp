// Whole runs: scripted key presses in, the screen grid and the written files out.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "dialogue/dialogue_run.hpp"
#include "support/scratch_directory.hpp"
#include "support/screen_rows.hpp"
#include "support/scripted_keys.hpp"
#include "support/wave_bytes.hpp"
#include "support/whole_file.hpp"

namespace trellmark {
namespace {

namespace fs = std::filesystem;
using wavetest::appendLittleEndian;
using wavetest::canonicalHeader;
using wavetest::writeBytes;

std::string trimmed(const Screen& screen, int row) {
    return trimmedRow(screen, row);
}

// The label, blanks up to column 70, then the figure items.
std::string atColumn70(const std::string& label, const std::string& figure) {
    return label + std::string(70 - label.size(), ' ') + figure;
}

std::string promptRow(const std::string& prompt, int answerColumn, const std::string& answer) {
    return prompt + std::string(answerColumn - prompt.size(), ' ') + answer;
}

// A mono wave file whose impulse stands at index 0, whose level window holds a
// constant value and whose analysis window starts at index 17640.
void writeRecording(const fs::path& path, int bits, int rate, int levelValue,
                    const std::vector<int>& window) {
    wavetest::writeTake(path.string(), bits, rate, 0, 1000, levelValue, window);
}

class WholeRun : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        dir = scratch.path();
    }

    void run() {
        keys.functionKey();  // the final key
        EXPECT_EQ(askAndAnalyse(console), 0);
    }
    std::string row(int r) const { return trimmed(console.screen, r); }

    testing::ScratchDirectory scratch;
    fs::path dir;
    ScriptedKeys keys;
    Console console{keys, nullptr};
};

const std::string referencePrompt = "   Directory in which the reference files are located?";
const std::string comparisonPrompt = "   Directory in which the comparison files are located?";
const std::string largestLabel =
    "   The largest single sample standard deviation within these files is";
const std::string averageLabel =
    "   The average per sample standard deviation within these files is";

TEST_F(WholeRun, DialogueWithEmptySetsShowsEveryQuestionInOrder) {
    const std::string missing = (dir / "none").string();
    for (const char* answer :
         {missing.c_str(), "ref", "500", "100", "95", "", "cmp", "", "", "", ""})
        keys.line(answer);
    run();

    const std::vector<std::string> expected = {
        "",
        "   Trellmark v1",
        "   Compares a reference set and a comparison set of recordings of one test signal,",
        "   sample by sample, with a two-sample t test at 95 or 99 per cent confidence.",
        "",
        "",
        promptRow(referencePrompt, 71, missing),
        promptRow("   Core filename? ", 71, "ref"),
        "   There are 0 .wav files matching this description",
        "",
        promptRow("   Impulse threshold? ", 71, "500"),
        promptRow("   Analyse over how many samples? ", 71, "100"),
        promptRow("   Per cent confidence level [95/99]? ", 71, "95"),
        "",
        "",
        atColumn70(largestLabel, " 0 LSB, 0 bit"),
        atColumn70(averageLabel, " 0 LSB, 0 bit"),
        "",
        "",
        comparisonPrompt,
        promptRow("   Core filename?", 71, "cmp"),
        "   There are 0 .wav files matching this description",
        "",
        "",
        atColumn70(largestLabel, " 0 LSB, 0 bit"),
        atColumn70(averageLabel, " 0 LSB, 0 bit"),
        "",
        "",
        "   Comparing data...",
        "",
        atColumn70("   Number of statistically significant sample differences:", " 0"),
        atColumn70("   Largest single sample difference:", " 0 LSB, 0 bit"),
        atColumn70("   Average per sample difference:", " 0 LSB, 0 bit"),
        atColumn70("   Accumulated difference:", " 0 LSB, 0 bit"),
        "",
        "",
        "   Name of ASCII file for analysis data?",
        "   Name of Wave file for the mean ref signal?",
        "   Name of Wave file for the mean cmp signal?",
        "   Name of Wave file for the difference signal?",
        "",
        "",
        "   Job finished",
        "   press any key to quit",
    };
    for (int r = 0; r < 50; ++r) {
        EXPECT_EQ(row(r), r < static_cast<int>(expected.size()) ? expected[r] : "") << "row " << r;
    }
    const Screen& screen = console.screen;
    EXPECT_EQ(screen.at(3, 6).foreground, darkGrey);  // prompt
    EXPECT_EQ(screen.at(70, 6).foreground, black);    // the blank before the answer
    EXPECT_EQ(screen.at(71, 6).foreground, black);    // the answer
    EXPECT_EQ(screen.at(3, 1).foreground, black);     // banner
    EXPECT_EQ(screen.at(3, 42).foreground, black);    // Job finished
    EXPECT_EQ(screen.at(3, 43).foreground, darkGrey);
    EXPECT_EQ(screen.at(0, 0).background, brightWhite);
    EXPECT_EQ(console.beepCount, 2);
    EXPECT_FALSE(screen.cursorVisible);
    EXPECT_EQ(screen.cursorRow, 44);
    EXPECT_EQ(console.title, "Trellmark");
    EXPECT_EQ(keys.remaining(), 1u);  // the final key stays unread
}

TEST_F(WholeRun, LongAnswerWrapsAndLongCoreNameMovesTheMeanPromptAnswer) {
    const std::string longDirectory = "/" + std::string(59, 'd');  // 60 characters
    const std::string core = "fourteen_chars";                     // 14 characters
    const std::string meanFile = (dir / "mean.wav").string();
    for (const std::string& answer : {longDirectory, core, std::string("1"), std::string("1"),
                                      std::string("99"), std::string(""), std::string("c"),
                                      std::string(""), meanFile, std::string(""), std::string("")})
        keys.line(answer);
    run();

    EXPECT_EQ(row(6), promptRow(referencePrompt, 71, longDirectory.substr(0, 49)));
    EXPECT_EQ(row(7), longDirectory.substr(49));
    EXPECT_EQ(row(8), promptRow("   Core filename? ", 71, core));
    EXPECT_EQ(row(9), "   There are 0 .wav files matching this description");
    EXPECT_EQ(row(11), promptRow("   Impulse threshold? ", 71, "1"));
    EXPECT_EQ(row(37), "   Name of ASCII file for analysis data?");
    // The mean prompt for a 14-character core name needs a third zone.
    EXPECT_EQ(row(38),
              promptRow("   Name of Wave file for the mean " + core + " signal?", 85, meanFile));
    EXPECT_EQ(row(39), "   Name of Wave file for the mean c signal?");
    EXPECT_EQ(row(43), "   Writing output files...");
    // No file was read, so there is no bit depth to write the mean signal at,
    // and the run says so.
    EXPECT_EQ(row(44), "   Could not write " + meanFile +
                           ": a wave file is written only at 16 or 24 bits or as 32-bit float.");
    EXPECT_EQ(console.screen.at(3, 44).foreground, darkGrey);
    EXPECT_EQ(row(47), "   Job finished");
    EXPECT_EQ(row(48), "   press any key to quit");
    EXPECT_FALSE(fs::exists(meanFile));
}

TEST_F(WholeRun, HandWorkedSetsGiveExactFiguresReportAndSignalFiles) {
    fs::create_directory(dir / "ref");
    fs::create_directory(dir / "cmp");
    writeRecording(dir / "ref" / "r1.wav", 16, 44100, 100, {10, 20, 30, 40});
    writeRecording(dir / "ref" / "r2.wav", 16, 44100, 100, {12, 20, 26, 40});
    // Twice the level, so scaling halves it; then a 24-bit file at another rate.
    writeRecording(dir / "cmp" / "c1.wav", 16, 44100, 200, {60, 40, 60, 80});
    writeRecording(dir / "cmp" / "c2.wav", 24, 48000, 100, {32, 20, 26, 40});

    const std::string refDir = (dir / "ref").string();
    const std::string cmpDir = (dir / "cmp").string();
    const std::string report = (dir / "report.txt").string();
    const std::string refMean = (dir / "rm.wav").string();
    const std::string cmpMean = (dir / "cm.wav").string();
    const std::string difference = (dir / "d.wav").string();
    for (const std::string& answer :
         {refDir, std::string("r"), std::string("500"), std::string("4"), std::string("95"), cmpDir,
          std::string("c"), report, refMean, cmpMean, difference})
        keys.line(answer);
    run();

    // Three rows scrolled off the top at the end: c2's rate is noted. Every
    // figure counts the 16-bit steps of r1, which every take is scaled to.
    EXPECT_EQ(row(12), "   Reading " + refDir + "/r2.wav");
    EXPECT_EQ(row(13), "");
    EXPECT_EQ(row(14), atColumn70(largestLabel, " 2.828 LSB, 16 bit"));
    EXPECT_EQ(row(15), atColumn70(averageLabel, " 1.061 LSB, 16 bit"));
    EXPECT_EQ(row(20), "   There are 2 .wav files matching this description");
    EXPECT_EQ(row(22), "   Reading " + cmpDir + "/c1.wav");
    EXPECT_EQ(row(23), "   Reading " + cmpDir + "/c2.wav");
    EXPECT_EQ(row(24), "   This file's sample rate differs from the first reference file's.");
    EXPECT_EQ(row(26), atColumn70(largestLabel, " 2.828 LSB, 16 bit"));
    EXPECT_EQ(row(27), atColumn70(averageLabel, " 1.061 LSB, 16 bit"));
    EXPECT_EQ(row(30), "   Comparing data...");
    EXPECT_EQ(row(32),
              atColumn70("   Number of statistically significant sample differences:", " 1"));
    EXPECT_EQ(row(33), atColumn70("   Largest single sample difference:", " 20 LSB, 16 bit"));
    EXPECT_EQ(row(34), atColumn70("   Average per sample difference:", " 5 LSB, 16 bit"));
    EXPECT_EQ(row(35), atColumn70("   Accumulated difference:", " 20 LSB, 16 bit"));
    EXPECT_EQ(row(44), "   Writing output files...");
    EXPECT_EQ(row(47), "   Job finished");
    EXPECT_EQ(row(48), "   press any key to quit");

    const std::string r1 =
        "   Largest single sample standard deviation within the reference files:   ";
    const std::string r2 =
        "   Average per sample standard deviation within the reference files:      ";
    const std::string r3 =
        "   Largest single sample standard deviation within the comparison files:  ";
    const std::string r4 =
        "   Average per sample standard deviation within the comparison files:     ";
    const std::string r5 =
        "   Number of statistically significant sample differences:                ";
    const std::string r6 =
        "   Largest single sample difference:                                      ";
    const std::string r7 =
        "   Average per sample difference:                                         ";
    const std::string r8 =
        "   Accumulated difference:                                                ";
    const std::string expectedReport =
        "REFERENCE FILES:\r\n\r\n"
        "   " +
        refDir +
        "/r1.wav\r\n"
        "   " +
        refDir +
        "/r2.wav\r\n\r\n\r\n"
        "COMPARISON FILES:\r\n\r\n"
        "   " +
        cmpDir +
        "/c1.wav\r\n"
        "   " +
        cmpDir +
        "/c2.wav\r\n\r\n\r\n"
        "ANALYSIS PARAMETERS:\r\n\r\n"
        "   Impulse threshold      500 \r\n"
        "   Begin analysis after   17640 samples\r\n"
        "   Analyse over           4 samples\r\n"
        "   Confidence level       95 per cent\r\n\r\n\r\n"
        "RESULTS:\r\n\r\n" +
        r1 + " 2.828 LSB, 16 bit\r\n" + r2 + " 1.061 LSB, 16 bit\r\n\r\n" + r3 +
        " 2.828 LSB, 16 bit\r\n" + r4 + " 1.061 LSB, 16 bit\r\n\r\n" + r5 + " 1 \r\n" + r6 +
        " 20 LSB, 16 bit\r\n" + r7 + " 5 LSB, 16 bit\r\n" + r8 + " 20 LSB, 16 bit\r\n";
    EXPECT_EQ(testing::readWholeFile(report), expectedReport);

    // Each signal file: 16 bits at the scale file's 44100 per second, four
    // samples within the dither's reach of the exact values.
    auto expectSignal = [](const std::string& bytes, const std::vector<int>& exact) {
        ASSERT_EQ(bytes.size(), 44u + 2 * exact.size());
        auto field = [&](int offset, int size) {
            std::uint32_t v = 0;
            for (int b = size - 1; b >= 0; --b)
                v = v << 8 | static_cast<unsigned char>(bytes[offset + b]);
            return v;
        };
        EXPECT_EQ(field(22, 2), 1u);
        EXPECT_EQ(field(24, 4), 44100u);
        EXPECT_EQ(field(34, 2), 16u);
        for (std::size_t i = 0; i < exact.size(); ++i) {
            const auto v = static_cast<std::int16_t>(field(44 + 2 * i, 2));
            EXPECT_LE(std::abs(v - exact[i]), 1) << "sample " << i;
        }
    };
    expectSignal(testing::readWholeFile(refMean), {11, 20, 28, 40});
    expectSignal(testing::readWholeFile(cmpMean), {31, 20, 28, 40});
    expectSignal(testing::readWholeFile(difference), {-20, 0, 0, 0});
}

TEST_F(WholeRun, EmptyComparisonDirectoryUsesTheReferenceDirectoryAsTyped) {
    fs::create_directory(dir / "set");
    writeRecording(dir / "set" / "a1.wav", 16, 44100, 100, {1, 2});
    const std::string typed = (dir / "set").string() + "/";
    for (const std::string& answer :
         {typed, std::string("a"), std::string("500"), std::string("2"), std::string("95"),
          std::string(""), std::string("A"), std::string(""), std::string(""), std::string(""),
          std::string("")})
        keys.line(answer);
    run();
    EXPECT_EQ(row(14), "   Reading " + typed + "/a1.wav");
    EXPECT_EQ(row(22), "   There are 1 .wav files matching this description");
    EXPECT_EQ(row(24), "   Reading " + typed + "/a1.wav");
}

TEST_F(WholeRun, AnalysisLengthBeyondMemoryEndsTheRunWithOneLine) {
    for (const char* answer : {"/nonexistent", "", "0", "2147483647", "95"}) keys.line(answer);
    run();
    EXPECT_EQ(row(14), "   That many samples do not fit in the memory of this computer.");
    EXPECT_EQ(row(15), "");
    EXPECT_EQ(row(16), "   Job finished");
    EXPECT_EQ(row(17), "   press any key to quit");
    EXPECT_EQ(console.beepCount, 2);
}

}  // namespace
}  // namespace trellmark
