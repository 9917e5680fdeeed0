// Whole runs over generated sets, checked against a second analysis written in
// Python (tests/independent_analysis.py) that reads the same files, computes
// every figure exactly and compares the report line by line. The sets carry a
// planted difference, so the runs must also find it where it was put.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "demo/recordings.hpp"
#include "dialogue/dialogue_run.hpp"
#include "support/independent_analysis_run.hpp"
#include "support/scratch_directory.hpp"
#include "support/screen_rows.hpp"
#include "support/scripted_keys.hpp"
#include "support/whole_file.hpp"

namespace trellmark {
namespace {

using testing::ScratchDirectory;

constexpr std::int32_t analysisLength = 4410;
constexpr const char* threshold = "16000";

// Where the comparison takes differ, in analysis indices: a 2500 Hz tone of
// about 65 LSB, far above the noise, and a constant offset of about 2 LSB, near
// the edge of what five takes can tell apart.
constexpr std::int64_t toneBegin = 1000, toneEnd = 2000;
constexpr std::int64_t offsetBegin = 3000, offsetEnd = 3600;

// The demo takes, cut down to what a window of analysisLength needs.
std::vector<demo::RecordingPlan> takes(bool comparison, int count) {
    std::vector<demo::RecordingPlan> all = demo::demoTakes(comparison);
    all.resize(static_cast<std::size_t>(count));
    for (demo::RecordingPlan& take : all) {
        take.sampleCount = take.impulsePosition + 17640 + analysisLength + 40;
        take.differences.clear();
        if (comparison) {
            take.differences.push_back({{2500, 0.002}, 17640 + toneBegin, 17640 + toneEnd});
            take.differences.push_back({{0, 2.0 / 32768}, 17640 + offsetBegin, 17640 + offsetEnd});
        }
    }
    // Spikes just outside the level and analysis windows: a window one value
    // too early or too late takes one in, and its file's figures jump.
    auto spike = [](std::int64_t frame) {
        return demo::PlantedDifference{{0, 0.5}, frame, frame + 1};
    };
    demo::RecordingPlan& edges = all[comparison ? 2 : 1];
    edges.differences.push_back(spike(comparison ? 6615 : 6615 + 4411));
    edges.differences.push_back(spike(comparison ? 17639 : 17640 + analysisLength));
    return all;
}

// Overwrites one stored value of a written file.
void putValue(const std::string& path, std::int64_t index, std::int32_t value, int bytes) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(44 + index * bytes);
    for (int b = 0; b < bytes; ++b) file.put(static_cast<char>((value >> (8 * b)) & 0xFF));
}

void writeSet(const std::string& directory, const std::vector<demo::RecordingPlan>& set) {
    std::filesystem::create_directories(directory);
    for (std::size_t k = 0; k < set.size(); ++k) {
        const std::string path = directory + "/take0" + std::to_string(k + 1) + ".wav";
        ASSERT_TRUE(demo::writeRecording(path, set[k])) << path;
    }
    // A value equal to the threshold before the first take's impulse: passed
    // over, or that take would be aligned 500 values early.
    const demo::RecordingPlan& first = set.front();
    putValue(directory + "/take01.wav", first.impulsePosition - 500, std::stoi(threshold),
             first.bitsPerSample / 8);
}

struct Outcome {
    int pythonStatus = -1;
    std::string pythonOutput;
    std::string report;
    std::string consoleCountRow;
};

// One whole run with a report file, then the independent analysis of the same
// sets against that report.
Outcome runAndCheck(const ScratchDirectory& dir, const std::string& confidence) {
    const std::string reportPath = dir / ("report" + confidence + ".txt");
    ScriptedKeys keys;
    for (const std::string& answer :
         {dir / "reference", std::string("take"), std::string(threshold),
          std::to_string(analysisLength), confidence, dir / "comparison", std::string("take"),
          reportPath, std::string(), std::string(), std::string()})
        keys.line(answer);
    keys.functionKey();
    Console console{keys, nullptr};
    EXPECT_EQ(askAndAnalyse(console), 0);

    Outcome outcome;
    for (int row = 0; row < 50; ++row) {
        const std::string text = rowString(console.screen, row);
        if (text.starts_with("   Number of statistically significant")) {
            outcome.consoleCountRow = text.substr(text.find_first_not_of(' ', 60));
            outcome.consoleCountRow.erase(outcome.consoleCountRow.find_last_not_of(' ') + 1);
        }
    }

    const testing::IndependentRun run = testing::runIndependentAnalysis(
        "--reference '" + (dir / "reference") + "' take --comparison '" + (dir / "comparison") +
            "' take --threshold " + threshold + " --length " + std::to_string(analysisLength) +
            " --confidence " + confidence + " --report '" + reportPath + "' --range " +
            std::to_string(toneBegin) + " " + std::to_string(toneEnd) + " --range " +
            std::to_string(offsetBegin) + " " + std::to_string(offsetEnd) + " --range 0 " +
            std::to_string(toneBegin),
        dir / ("python" + confidence + ".txt"));
    outcome.pythonStatus = run.status;
    outcome.pythonOutput = run.output;
    outcome.report = testing::readWholeFile(reportPath);
    return outcome;
}

struct Checked {
    std::map<std::int64_t, int> ranges;  // significant indices by range start
    std::string report;
};

class IndependentCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(std::system("python3 -c 'import fractions' > /dev/null 2>&1"), 0)
            << "the independent check needs python3 (make deps installs it)";
        ASSERT_FALSE(dir.path().empty());
    }

    // One run at a confidence level, agreed by the independent analysis.
    Checked check(const std::string& confidence) {
        Outcome outcome = runAndCheck(dir, confidence);
        EXPECT_EQ(outcome.pythonStatus, 0) << outcome.pythonOutput << outcome.report;
        // Rounding may tip only a handful of indices either way: with three
        // takes a set, all three often agree at an index, its variance is 0 and
        // the degrees of freedom are exactly the other set's n - 1, which
        // floating point may also give a hair lower.
        const int borderline = testing::borderlineCount(outcome.pythonOutput);
        EXPECT_GE(borderline, 0) << outcome.pythonOutput;
        EXPECT_LE(borderline, 30) << outcome.pythonOutput;

        const int count = testing::reportedCount(outcome.report);
        EXPECT_EQ(outcome.consoleCountRow, std::to_string(count));
        // Chance alone marks about 5 or 1 per cent of the window; the tone's
        // thousand indices must lift the count far above that.
        EXPECT_GT(count, (confidence == "95" ? 220 : 44) + 850) << outcome.pythonOutput;
        Checked checked{testing::rangeCounts(outcome.pythonOutput), outcome.report};
        EXPECT_EQ(checked.ranges.size(), 3u) << outcome.pythonOutput;
        return checked;
    }

    ScratchDirectory dir;
};

TEST_F(IndependentCheck, EqualSetsOfFiveFindThePlantedDifferenceAt95And99) {
    writeSet(dir / "reference", takes(false, 5));
    writeSet(dir / "comparison", takes(true, 5));

    std::map<std::int64_t, int> at95 = check("95").ranges;
    // Only where the tone crosses zero is it lost in the noise.
    EXPECT_GE(at95[toneBegin], 950);
    EXPECT_GE(at95[offsetBegin], 250);
    EXPECT_LE(at95[0], 100);  // before the planted difference: chance only

    std::map<std::int64_t, int> at99 = check("99").ranges;
    EXPECT_GE(at99[toneBegin], 900);
    EXPECT_LT(at99[offsetBegin], at95[offsetBegin]);
    EXPECT_LE(at99[0], 30);
}

TEST_F(IndependentCheck, FiveReferenceTakesWithA24BitOneAgainstThree) {
    std::vector<demo::RecordingPlan> reference = takes(false, 5);
    reference[2].bitsPerSample = 24;  // read at its own depth, scaled to the first take
    writeSet(dir / "reference", reference);
    writeSet(dir / "comparison", takes(true, 3));

    std::map<std::int64_t, int> at95 = check("95").ranges;
    EXPECT_GE(at95[toneBegin], 900);
    EXPECT_LE(at95[0], 100);

    std::map<std::int64_t, int> at99 = check("99").ranges;
    EXPECT_GE(at99[toneBegin], 800);
    EXPECT_LT(at99[offsetBegin], at95[offsetBegin]);
    EXPECT_LE(at99[0], 30);
}

TEST_F(IndependentCheck, ThreeReferenceTakesAgainstFiveWithA24BitLastTake) {
    writeSet(dir / "reference", takes(false, 3));
    std::vector<demo::RecordingPlan> comparison = takes(true, 5);
    // The last file read: the figures still count the 16-bit steps of the
    // first reference take, which every take is scaled to.
    comparison[4].bitsPerSample = 24;
    writeSet(dir / "comparison", comparison);

    Checked at95 = check("95");
    EXPECT_GE(at95.ranges[toneBegin], 900);
    EXPECT_LE(at95.ranges[0], 100);
    EXPECT_NE(at95.report.find(" LSB, 16 bit\r\n"), std::string::npos);
    EXPECT_EQ(at95.report.find(" LSB, 24 bit\r\n"), std::string::npos);

    std::map<std::int64_t, int> at99 = check("99").ranges;
    EXPECT_GE(at99[toneBegin], 800);
    EXPECT_LE(at99[0], 30);
}

// The first comparison take stored at 24 bits lies about 256 times above the
// scaled values; the sums of squares must still come out to the third decimal
// (2.387, not 2.388, for the largest standard deviation).
TEST_F(IndependentCheck, FirstComparisonTakeAt24BitAgainst16BitReference) {
    writeSet(dir / "reference", takes(false, 5));
    std::vector<demo::RecordingPlan> comparison = takes(true, 5);
    comparison[0].bitsPerSample = 24;
    writeSet(dir / "comparison", comparison);
    check("95");
    check("99");
}

}  // namespace
}  // namespace trellmark
