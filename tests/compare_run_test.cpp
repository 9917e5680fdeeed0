#include "compare/compare_run.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "dialogue/dialogue_run.hpp"
#include "support/captured_streams.hpp"
#include "support/command_line_run.hpp"
#include "support/scratch_directory.hpp"
#include "support/scripted_keys.hpp"
#include "support/wave_bytes.hpp"
#include "support/whole_file.hpp"

namespace trellmark {
namespace {

namespace fs = std::filesystem;
using testing::readWholeFile;
using testing::ScratchDirectory;
using Arguments = std::vector<std::string>;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome compare(const Arguments& options, bool terminal = false) {
    Arguments arguments{"compare"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    testing::CapturedStreams streams;
    const std::optional<int> status =
        runCommandLine(arguments, Streams{streams.out, streams.err, terminal, 60, false});
    return {status.value_or(-1), streams.outText(), streams.errText()};
}

// The hand-worked sets of the whole-run tests: reference means {11, 20, 28,
// 40}, comparison means {31, 20, 28, 40}; only index 0 differs significantly.
struct HandWorkedSets {
    ScratchDirectory dir;
    std::string reference = dir / "ref";
    std::string comparison = dir / "cmp";
    HandWorkedSets() {
        fs::create_directory(reference);
        fs::create_directory(comparison);
        wavetest::writeTake(reference + "/r1.wav", 16, 44100, 0, 1000, 100, {10, 20, 30, 40});
        wavetest::writeTake(reference + "/r2.wav", 16, 44100, 0, 1000, 100, {12, 20, 26, 40});
        // Twice the level, so scaling halves it; then a 24-bit file, whose
        // figures count the 16-bit steps of r1.
        wavetest::writeTake(comparison + "/c1.wav", 16, 44100, 0, 1000, 200, {60, 40, 60, 80});
        wavetest::writeTake(comparison + "/c2.wav", 24, 44100, 0, 1000, 100, {32, 20, 26, 40});
    }
    Arguments options(const std::string& length = "4") const {
        return {"--reference",      reference, "--reference-core",  "r", "--comparison", comparison,
                "--reference-core", "r",       "--comparison-core", "c", "--threshold",  "500",
                "--length",         length};
    }
};

// Two takes a set can never reach p < 0.05: every split and its mirror
// leave 2 / 6 as the smallest p, so the hand-worked runs cannot tell.
const std::string cannotTellWarning =
    "trellmark: cannot tell whether the sets differ. With 2 and 2 takes the smallest "
    "possible p is 0.333; at least 4 and 4 are needed at 95 per cent.\n";

TEST(CompareRun, StandardOutputShowsTheScreensLines) {
    const HandWorkedSets sets;
    const Outcome outcome = compare(sets.options());
    EXPECT_EQ(outcome.status, 2);  // 2 and 2 takes cannot tell
    EXPECT_EQ(outcome.err, cannotTellWarning);
    EXPECT_EQ(
        outcome.out,
        "   There are 2 .wav files matching this description\n"
        "\n"
        "   Reading " +
            sets.reference +
            "/r1.wav\n"
            "   Reading " +
            sets.reference +
            "/r2.wav\n"
            "\n"
            "   The largest single sample standard deviation within these files is  2.828 LSB, "
            "16 bit\n"
            "   The average per sample standard deviation within these files is     1.061 LSB, "
            "16 bit\n"
            "\n"
            "\n"
            "   There are 2 .wav files matching this description\n"
            "\n"
            "   Reading " +
            sets.comparison +
            "/c1.wav\n"
            "   Reading " +
            sets.comparison +
            "/c2.wav\n"
            "\n"
            "   The largest single sample standard deviation within these files is  2.828 LSB, "
            "16 bit\n"
            "   The average per sample standard deviation within these files is     1.061 LSB, "
            "16 bit\n"
            "\n"
            "\n"
            "   Comparing data...\n"
            "\n"
            "   Number of statistically significant sample differences:             1\n"
            "   Largest single sample difference:                                   20 LSB, 16 "
            "bit\n"
            "   Average per sample difference:                                      5 LSB, 16 "
            "bit\n"
            "   Accumulated difference:                                             20 LSB, 16 "
            "bit\n"
            "\n"
            "\n"
            "   Expected by chance at 95 per cent:                                  .2\n"
            "   Significant after false discovery rate control:                     1\n"
            "   Verdict:                                                            cannot tell: "
            "with 2 and 2 takes the smallest possible p is 0.333; at least 4 and 4 are needed "
            "at 95 per cent\n"
            "\n"
            "\n"
            "   Difference RMS: -70.3 dBFS, peak -64.3 dBFS at index 0, null depth 8.6 dB\n");
    Arguments quiet = sets.options();
    quiet.push_back("--quiet");
    EXPECT_EQ(compare(quiet).out, "");
}

TEST(CompareRun, JsonReadsBackWithTheHandWorkedFigures) {
    const HandWorkedSets sets;
    Arguments options = sets.options();
    options.insert(options.end(), {"--json", "-", "--difference", sets.dir / "d.wav"});
    const Outcome outcome = compare(options);
    ASSERT_EQ(outcome.status, 2) << outcome.err;
    const nlohmann::json json = nlohmann::json::parse(outcome.out);
    EXPECT_EQ(json["program"], "trellmark");
    EXPECT_EQ(json["version"], TRELLMARK_VERSION);
    EXPECT_EQ(json["parameters"],
              nlohmann::json::parse(
                  R"({"threshold": 500, "thresholdOfFullScale": null, "start": 17640,
                      "length": 4, "confidence": 95, "align": "impulse", "scale": "level"})"));
    const nlohmann::json& reference = json["reference"];
    EXPECT_EQ(reference["directory"], sets.reference);
    EXPECT_EQ(reference["core"], "r");
    EXPECT_EQ(reference["pattern"], "r*.wav");
    EXPECT_EQ(reference["largestStdDev"], 2.8284271247461903);
    EXPECT_EQ(reference["averageStdDev"], 1.0606601717798214);
    EXPECT_EQ(reference["files"][0], nlohmann::json({{"path", sets.reference + "/r1.wav"},
                                                     {"format", "WAV PCM"},
                                                     {"channels", 1},
                                                     {"channel", 1},
                                                     {"dataOffset", 44},
                                                     {"sampleRate", 44100},
                                                     {"bitsPerSample", 16},
                                                     {"dataBytes", 2 * 17644},
                                                     {"sampleCount", 17644},
                                                     {"impulse", 0},
                                                     {"level", 100.0},
                                                     {"note", nullptr}}));
    const nlohmann::json& second = json["comparison"]["files"][1];
    EXPECT_EQ(second["bitsPerSample"], 24);
    EXPECT_EQ(second["sampleRate"], 44100);
    EXPECT_EQ(json["comparison"]["files"][0]["level"], 200.0);
    EXPECT_EQ(json["result"], nlohmann::json({{"significantCount", 1},
                                              {"largestDifference", 20.0},
                                              {"averageDifference", 5.0},
                                              {"accumulatedDifference", 20.0},
                                              {"bitsPerSample", 16}}));
    EXPECT_EQ(json["outputs"],
              nlohmann::json::parse(R"([{"kind": "difference", "path": ")" + sets.dir / "d.wav" +
                                    R"(", "written": true, "error": null}])"));
}

TEST(CompareRun, CsvHasARowPerIndex) {
    const HandWorkedSets sets;
    Arguments options = sets.options();
    options.insert(options.end(), {"--csv", sets.dir / "rows.csv", "--confidence", "99"});
    ASSERT_EQ(compare(options).status, 2);
    std::istringstream csv(readWholeFile(sets.dir / "rows.csv"));
    std::vector<std::string> rows;
    for (std::string row; std::getline(csv, row);) rows.push_back(row);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0],
              "index,offset,reference_mean,reference_sd,comparison_mean,comparison_sd,difference,"
              "t,df,significant,verdict_t,p,fdr_significant,cluster\r");
    // e = sqrt((2 + 2) / 2), t = -20 / e, beyond 9.925 (99 per cent, 2 degrees);
    // p from scipy's t distribution; a cluster of its own, the first. Both
    // variances lie above the floor, so the verdict's t is the same.
    EXPECT_EQ(rows[1],
              "0,17640,11,1.4142135623730951,31,1.4142135623730951,-20,-14.142135623730949,2,1,"
              "-14.142135623730949,0.0049628097900108652,0,1\r");
    // Both deviations 0 and the means equal: no t, no degrees of freedom; the
    // verdict floors both variances at 1/12, so its t is 0 and p 1.
    EXPECT_EQ(rows[2], "1,17641,20,0,20,0,0,,,0,0,1,0,\r");
    EXPECT_EQ(rows[3], "2,17642,28,2.8284271247461903,28,2.8284271247461903,0,0,2,0,0,1,0,\r");
}

TEST(CompareRun, TheStartOffsetMovesTheWindowAndShowsInTheReport) {
    const HandWorkedSets sets;
    Arguments options = sets.options();
    options.insert(options.end(), {"--start", "17641", "--report", sets.dir / "report.txt"});
    const Outcome outcome = compare(options);
    EXPECT_EQ(outcome.status, 2);
    // The windows now run one sample past the data of every file.
    const std::string note =
        ": This file ends before its level or analysis window does; the "
        "missing samples are taken as 0.\n";
    EXPECT_EQ(outcome.err, "trellmark: warning: " + sets.reference + "/r1.wav" + note +
                               "trellmark: warning: " + sets.reference + "/r2.wav" + note +
                               "trellmark: warning: " + sets.comparison + "/c1.wav" + note +
                               "trellmark: warning: " + sets.comparison + "/c2.wav" + note +
                               "trellmark: 4 takes are noted above, so the run cannot stand; "
                               "--accept-notes analyses them as they are\n" +
                               cannotTellWarning);
    const std::string report = readWholeFile(sets.dir / "report.txt");
    EXPECT_NE(report.find("   Begin analysis after   17641 samples\r\n"), std::string::npos);
    // Means {20, 28, 40, 0} and {20, 28, 40, 0}: nothing differs.
    EXPECT_NE(report.find("   Number of statistically significant sample differences:"
                          "                 0 \r\n"),
              std::string::npos);
}

TEST(CompareRun, AnUnwritableOutputIsNamedAndTheOthersAreWritten) {
    const HandWorkedSets sets;
    Arguments options = sets.options();
    const std::string lost = sets.dir / "missing/report.txt";
    const std::string input = sets.reference + "/r1.wav";
    const wavetest::Bytes before = wavetest::readBytes(input);
    options.insert(options.end(), {"--report", lost, "--reference-mean", input, "--difference",
                                   sets.dir / "d.wav", "--json", sets.dir / "r.json", "-q"});
    const Outcome outcome = compare(options);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.err, cannotTellWarning + "trellmark: cannot write " + lost +
                               ": its directory does not exist\n" + "trellmark: cannot write " +
                               input + ": it is one of the recordings read\n");
    EXPECT_EQ(wavetest::readBytes(input), before);
    EXPECT_EQ(wavetest::readBytes(sets.dir / "d.wav").size(), 44u + 4 * 2);  // 16 bits, as r1
    const nlohmann::json json = nlohmann::json::parse(readWholeFile(sets.dir / "r.json"));
    EXPECT_EQ(json["outputs"][0]["written"], false);
    EXPECT_EQ(json["outputs"][0]["error"], "its directory does not exist");
    EXPECT_EQ(json["outputs"][2]["kind"], "difference");
    EXPECT_EQ(json["outputs"][2]["written"], true);
}

// Results nobody could read are no results: a run whose standard output (or
// standard error too) is a full disk ends in trouble, whatever the sets say.
TEST(CompareRun, LostStandardOutputEndsInTrouble) {
    const HandWorkedSets sets;
    const struct {
        const char* name;
        Arguments extra;
        bool errorLost;
        const char* message;  // on standard error when it can take it
    } cases[] = {
        {"result lines",
         {},
         false,
         "trellmark: cannot write the results to standard output: the disk is full\n"},
        {"json on stdout",
         {"--json", "-", "-q"},
         false,
         "trellmark: cannot write -: standard output could not take it\n"},
        {"lines lost at 99 per cent",
         {"--confidence", "99"},
         false,
         "trellmark: cannot write the results to standard output: the disk is full\n"},
        {"standard error lost too", {}, true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Arguments arguments{"compare"};
        for (const Arguments& part : {sets.options(), c.extra}) {
            arguments.insert(arguments.end(), part.begin(), part.end());
        }
        testing::CapturedStreams captured;
        std::FILE* full = std::fopen("/dev/full", "w");
        ASSERT_NE(full, nullptr);
        const std::optional<int> status = runCommandLine(
            arguments, Streams{full, c.errorLost ? full : captured.err, false, 80, false});
        std::fclose(full);
        EXPECT_EQ(status, 2);
        if (c.message != nullptr) {
            EXPECT_NE(captured.errText().find(c.message), std::string::npos) << captured.errText();
        }
    }
}

TEST(CompareRun, APathThatIsNotUtf8KeepsItsBytesInTheJson) {
    ScratchDirectory dir;
    const std::string odd = dir / "take\xff\x41";
    fs::create_directory(odd);
    wavetest::writeTake(odd + "/a.wav", 16, 44100, 0, 1000, 100, {1, 2});
    wavetest::writeTake(odd + "/b.wav", 16, 44100, 0, 1000, 100, {3, 4});
    const Outcome outcome =
        compare({"--reference", odd, "--threshold", "500", "--length", "2", "--json", "-"});
    ASSERT_EQ(outcome.status, 2);  // one set of two takes against itself cannot tell
    const nlohmann::json json = nlohmann::json::parse(outcome.out);
    const std::string shown = dir / "take\xEF\xBF\xBD\x41";
    EXPECT_EQ(json["reference"]["directory"], shown);
    std::string hex;
    for (const unsigned char c : odd) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", c);
        hex += pair;
    }
    EXPECT_EQ(json["reference"]["directoryBytes"], hex);
    EXPECT_EQ(json["reference"]["files"][0]["path"], shown + "/a.wav");
    EXPECT_EQ(json["reference"]["files"][0]["pathBytes"], hex + "2f612e776176");
}

TEST(CompareRun, TheProgressBarShowsOnlyOnATerminalAndIsTakenAway) {
    const HandWorkedSets sets;
    Arguments options = sets.options();
    options.push_back("-q");
    EXPECT_EQ(compare(options, false).err, cannotTellWarning);
    const std::string err = compare(options, true).err;
    EXPECT_NE(err.find("\r\x1b[K[....................] 1/2 "), std::string::npos);
    EXPECT_NE(err.find("[##########..........] 2/2 "), std::string::npos);
    // The bar is taken away before the verdict's warning.
    EXPECT_TRUE(err.ends_with("c2.wav\r\x1b[K" + cannotTellWarning)) << err;
}

// The same sets and answers through the dialogue (with its verdict) and the
// command line give the same report and signal files, byte for byte.
struct SameAsTheDialogue {
    int referenceTakes;
    int comparisonTakes;
    int comparisonBits;
    std::string confidence;
};

class CompareRunAgainstDialogue : public ::testing::TestWithParam<SameAsTheDialogue> {};

std::vector<int> noisyWindow(std::uint32_t& state, int length, int offset) {
    std::vector<int> window(length);
    for (int& value : window) {
        state = state * 1664525u + 1013904223u;
        value = static_cast<int>(state >> 24) - 128 + offset;
    }
    return window;
}

TEST_P(CompareRunAgainstDialogue, WritesTheSameFiles) {
    const SameAsTheDialogue& plan = GetParam();
    ScratchDirectory dir;
    fs::create_directory(dir / "ref");
    fs::create_directory(dir / "cmp");
    std::uint32_t state = 7;
    for (int k = 0; k < plan.referenceTakes; ++k) {
        wavetest::writeTake(dir / ("ref/t" + std::to_string(k) + ".wav"), 16, 44100, k, 20000,
                            3000 + 50 * k, noisyWindow(state, 300, 0));
    }
    for (int k = 0; k < plan.comparisonTakes; ++k) {
        const int scale = plan.comparisonBits == 24 ? 256 : 1;
        std::vector<int> window = noisyWindow(state, 300, 20);
        for (int& value : window) value *= scale;
        wavetest::writeTake(dir / ("cmp/t" + std::to_string(k) + ".wav"), plan.comparisonBits,
                            48000, 3 * k, 20000 * scale, 3100 * scale, window);
    }

    const std::vector<std::string> outputs{"report.txt", "rm.wav", "cm.wav", "d.wav"};
    ScriptedKeys keys;
    for (const std::string& answer :
         {dir / "ref", std::string("t"), std::string("10000"), std::string("300"), plan.confidence,
          dir / "cmp", std::string(""), dir / "dialogue-report.txt", dir / "dialogue-rm.wav",
          dir / "dialogue-cm.wav", dir / "dialogue-d.wav"}) {
        keys.line(answer);
    }
    keys.functionKey();
    Console console(keys, nullptr);
    // The report of a comparison run carries the verdict, as the dialogue's
    // does when asked for it.
    DialogueOptions withVerdict;
    withVerdict.verdict = true;
    ASSERT_EQ(askAndAnalyse(console, withVerdict), 0);

    const Outcome outcome = compare({"--reference",
                                     dir / "ref",
                                     "--reference-core",
                                     "t",
                                     "--comparison",
                                     dir / "cmp",
                                     "--comparison-core",
                                     "",
                                     "--threshold",
                                     "10000",
                                     "--length",
                                     "300",
                                     "--confidence",
                                     plan.confidence,
                                     "--report",
                                     dir / "report.txt",
                                     "--reference-mean",
                                     dir / "rm.wav",
                                     "--comparison-mean",
                                     dir / "cm.wav",
                                     "--difference",
                                     dir / "d.wav",
                                     "-q"});
    // Small sets cannot tell (status 2); what counts here is that every
    // output was written.
    ASSERT_EQ(outcome.err.find("cannot write"), std::string::npos) << outcome.err;
    for (const std::string& name : outputs) {
        const std::string ours = readWholeFile(dir / name);
        EXPECT_GT(ours.size(), 100u) << name;
        EXPECT_EQ(ours, readWholeFile(dir / ("dialogue-" + name))) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Sets, CompareRunAgainstDialogue,
                         ::testing::Values(SameAsTheDialogue{5, 5, 16, "95"},
                                           SameAsTheDialogue{4, 6, 24, "99"},
                                           SameAsTheDialogue{3, 2, 16, "99"}));

}  // namespace
}  // namespace trellmark
