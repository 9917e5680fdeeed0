#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "compare/compare_run.hpp"
#include "console/console.hpp"
#include "demo/recordings.hpp"
#include "dialogue/dialogue_run.hpp"
#include "report/verdict_lines.hpp"
#include "support/captured_streams.hpp"
#include "support/command_line_run.hpp"
#include "support/scratch_directory.hpp"
#include "support/screen_rows.hpp"
#include "support/scripted_keys.hpp"
#include "support/wave_bytes.hpp"
#include "support/whole_file.hpp"

namespace trellmark {
namespace {

using testing::readWholeFile;
using testing::ScratchDirectory;

TEST(VerdictLines, WordsAndFiguresOfEachOutcome) {
    Verdict differ;
    differ.outcome = VerdictOutcome::differ;
    differ.expectedByChance = 2205;
    differ.fdrCount = 11804;
    differ.statistic = ClusterStatistic::mass;
    differ.clusters = {
        {10, 19, 250.46, 10, 0.4, 0.37, 0.43, 2.345, -61.04},
        {30, 31, -9.125, 2, 0.5, 0.47, 0.53},  // not listed: p is not below 0.5
        {50, 99, -1e6, 50, 0.000999, 0, 0.0029, -0.5, -80},
        {120, 120, 412.27, 1, 0.004, 0, 0.008, 3, std::numeric_limits<double>::infinity()}};
    const std::vector<std::pair<std::string, std::string>> expected{
        {"   Expected by chance at 95 per cent:", " 2205 "},
        {"   Significant after false discovery rate control:", " 11804 "},
        {"   Cluster of indices 50 to 99, mass -1000000, mean difference -0.50 LSB (-80.0 dB):",
         " p = 0.000999 (0 to 0.0029)"},
        {"   Cluster of indices 120 to 120, mass 412.3, mean difference 3.00 LSB (reference "
         "silent):",
         " p = 0.004 (0 to 0.008)"},
        {"   Cluster of indices 10 to 19, mass 250.5, mean difference 2.35 LSB (-61.0 dB):",
         " p = 0.4 (0.37 to 0.43)"},
        {"   Verdict:", " the sets differ (cluster p = 0.000999)"}};
    std::vector<VerdictLine> lines = verdictLines(differ, 95);
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].label, expected[i].first) << i;
        EXPECT_EQ(lines[i].figure, expected[i].second) << i;
    }
    // The size decided: the lines show it, never the mass.
    differ.statistic = ClusterStatistic::size;
    lines = verdictLines(differ, 95);
    EXPECT_EQ(lines[2].label,
              "   Cluster of indices 50 to 99, size 50 samples, mean difference -0.50 LSB (-80.0 "
              "dB):");
    EXPECT_EQ(lines[3].label,
              "   Cluster of indices 120 to 120, size 1 sample, mean difference 3.00 LSB "
              "(reference silent):");

    Verdict many;
    many.outcome = VerdictOutcome::doNotDiffer;
    many.exact = true;
    for (int k = 0; k < 23; ++k) many.clusters.push_back({k * 3, k * 3, 3, 1, 0.1 + k / 100.0});
    const std::vector<VerdictLine> listed = verdictLines(many, 99);
    ASSERT_EQ(listed.size(), 2u + 10 + 2);
    EXPECT_EQ(listed[2].figure, " p = 0.1");  // exact: no interval
    EXPECT_EQ(listed[12].label, "   and 13 more clusters with p below 0.5");
    EXPECT_EQ(listed[13].figure, " the sets do not differ detectably (smallest cluster p = 0.1)");

    Verdict none;
    none.outcome = VerdictOutcome::doNotDiffer;
    EXPECT_EQ(verdictSentence(none), "the sets do not differ detectably (no cluster)");
    none.outcome = VerdictOutcome::cannotTell;
    none.reason = "Only the 95 and 99 per cent levels have a test.";
    EXPECT_EQ(verdictSentence(none),
              "cannot tell. Only the 95 and 99 per cent levels have a test.");
    none.alpha = 0.05;
    none.smallestPossibleP = 0.1;
    none.reason =
        "With 3 and 3 takes the smallest possible p is 0.1; at least 4 and 4 are needed at 95 per "
        "cent.";
    EXPECT_EQ(verdictSentence(none),
              "cannot tell: with 3 and 3 takes the smallest possible p is 0.1; at least 4 and 4 "
              "are needed at 95 per cent");
}

// Five takes a set: noise of a few LSB, and in the comparison takes an offset
// of 40 LSB over indices 100 to 199 of a 300-sample window: one long cluster.
struct PlantedSets {
    ScratchDirectory dir;
    PlantedSets() {
        std::filesystem::create_directory(dir / "ref");
        std::filesystem::create_directory(dir / "cmp");
        std::uint32_t state = 11;
        for (int set = 0; set < 2; ++set) {
            for (int k = 0; k < 5; ++k) {
                std::vector<int> window(300);
                for (std::size_t j = 0; j < window.size(); ++j) {
                    state = state * 1664525u + 1013904223u;
                    window[j] = static_cast<int>(state >> 29) - 4;
                    if (set == 1 && j >= 100 && j < 200) window[j] += 40;
                }
                wavetest::writeTake(
                    dir / ((set == 0 ? "ref/t" : "cmp/t") + std::to_string(k) + ".wav"), 16, 48000,
                    k, 20000, 3000, window);
            }
        }
    }
    std::vector<std::string> arguments(std::vector<std::string> more) const {
        std::vector<std::string> all{"compare",      "--reference", dir / "ref",
                                     "--comparison", dir / "cmp",   "--threshold",
                                     "10000",        "--length",    "300"};
        all.insert(all.end(), more.begin(), more.end());
        return all;
    }
};

TEST(VerdictOutput, APlantedOffsetDiffersInEveryOutput) {
    const PlantedSets sets;
    testing::CapturedStreams streams;
    const std::optional<int> status =
        runCommandLine(sets.arguments({"--json", "-", "--csv", sets.dir / "rows.csv", "--report",
                                       sets.dir / "report.txt", "--plot", sets.dir / "run.png",
                                       "--plot-size", "640x400"}),
                       Streams{streams.out, streams.err, false, 80, false});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(streams.errText(), "");

    const nlohmann::json verdict = nlohmann::json::parse(streams.outText())["verdict"];
    EXPECT_EQ(verdict["differ"], true);
    EXPECT_EQ(verdict["exact"], true);
    EXPECT_EQ(verdict["permutations"], 252);  // C(10, 5): every split
    EXPECT_EQ(verdict["seed"], "1");
    EXPECT_EQ(verdict["statistic"], "mass");
    EXPECT_EQ(verdict["smallestPossibleP"], 2.0 / 252);
    EXPECT_EQ(verdict["expectedByChance"], 15.0);
    // The planted stretch is one cluster; only it and its mirror split are as
    // strong, so p = 2 / 252. Its mean difference is the offset, -40 LSB
    // against a reference mean of a few LSB.
    bool found = false;
    for (const nlohmann::json& cluster : verdict["clusters"]) {
        if (cluster["size"].get<int>() >= 98) {
            EXPECT_EQ(cluster["p"], 2.0 / 252);
            EXPECT_EQ(cluster["pLow"], 2.0 / 252);
            EXPECT_NEAR(cluster["meanDifference"].get<double>(), -40, 1);
            EXPECT_GT(cluster["differenceDecibels"].get<double>(), 10);
            found = true;
        }
    }
    EXPECT_TRUE(found);

    std::istringstream csv(readWholeFile(sets.dir / "rows.csv"));
    std::string row;
    std::getline(csv, row);
    EXPECT_TRUE(row.ends_with(",significant,verdict_t,p,fdr_significant,cluster\r")) << row;
    for (int j = 0; j <= 150; ++j) std::getline(csv, row);
    EXPECT_EQ(row.substr(0, 4), "150,");
    EXPECT_NE(row.find(",1,"), std::string::npos);  // significant and kept by the FDR
    EXPECT_EQ(row.back(), '\r');

    const std::string report = readWholeFile(sets.dir / "report.txt");
    EXPECT_NE(report.find("\r\n\r\n\r\nVERDICT:\r\n\r\n   Expected by chance at 95 per cent:"),
              std::string::npos);
    // The verdict stands where the results' figures stand: after column 74.
    EXPECT_TRUE(report.ends_with("   Verdict:" + std::string(63, ' ') +
                                 " the sets differ (cluster p = 0.00794)\r\n"));

    cairo_surface_t* image = cairo_image_surface_create_from_png((sets.dir / "run.png").c_str());
    EXPECT_EQ(cairo_image_surface_get_width(image), 640);
    EXPECT_EQ(cairo_image_surface_get_height(image), 400);
    cairo_surface_destroy(image);
}

TEST(VerdictOutput, WithoutATestItCannotTellAndSaysWhy) {
    const PlantedSets sets;
    testing::CapturedStreams streams;
    const std::optional<int> status =
        runCommandLine(sets.arguments({"--permutations", "0", "-q"}),
                       Streams{streams.out, streams.err, false, 80, false});
    EXPECT_EQ(status, 2);
    EXPECT_EQ(streams.errText(),
              "trellmark: cannot tell whether the sets differ. The permutation test was "
              "skipped: no permutations were asked for.\n");
}

TEST(VerdictOutput, TheDialogueShowsTheVerdictOnlyWhenAskedAndDrawsTheFigure) {
    const PlantedSets sets;
    for (const bool asked : {false, true}) {
        ScriptedKeys keys;
        for (const std::string& answer :
             {sets.dir / "ref", std::string("t"), std::string("10000"), std::string("300"),
              std::string("95"), sets.dir / "cmp", std::string("t"), std::string(""),
              std::string(""), std::string(""), std::string("")}) {
            keys.line(answer);
        }
        keys.functionKey();
        Console console(keys, nullptr);
        DialogueOptions options;
        options.verdict = asked;
        options.plot = sets.dir / (asked ? "asked.svg" : "plain.pdf");
        // The page goes through the same pipeline; a page that cannot be
        // written is a notice, never a line on the screen.
        options.html = sets.dir / (asked ? "page.html" : "missing/page.html");
        std::vector<std::string> notices;
        ASSERT_EQ(askAndAnalyse(console, options, &notices), 0);
        EXPECT_TRUE(std::filesystem::is_regular_file(options.plot));
        if (asked) {
            EXPECT_TRUE(notices.empty());
            EXPECT_EQ(readWholeFile(options.html).rfind("<!DOCTYPE html>", 0), 0u);
        } else {
            EXPECT_EQ(notices, std::vector<std::string>{"cannot write " + options.html +
                                                        ": its directory does not exist"});
        }
        std::string screen;
        for (int row = 0; row < screenRows; ++row) {
            screen += trimmedRow(console.screen, row) + "\n";
        }
        const bool shown = screen.find("   Verdict:") != std::string::npos;
        EXPECT_EQ(shown, asked);
        if (asked) {
            EXPECT_NE(screen.find("   Accumulated difference:"), std::string::npos);
            EXPECT_NE(screen.find("the sets differ (cluster p = 0.00794)"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace trellmark

namespace trellmark {
namespace {

// The demo's planted tone is found; two sets the generator draws alike are not
// told apart, with the default seed.
TEST(VerdictOutput, TheDemoSetsDifferAndSetsDrawnAlikeDoNot) {
    for (const bool alike : {false, true}) {
        ScratchDirectory dir;
        ASSERT_TRUE(demo::makeDemoSets(dir.path(), alike).written);
        testing::CapturedStreams streams;
        const std::optional<int> status = runCommandLine(
            std::vector<std::string>{"compare", "--reference", dir / "reference", "--comparison",
                                     dir / "comparison", "--threshold", "16000", "--length",
                                     "44100", "--json", "-"},
            Streams{streams.out, streams.err, false, 80, false});
        const nlohmann::json verdict = nlohmann::json::parse(streams.outText())["verdict"];
        EXPECT_EQ(status, alike ? 0 : 1);
        EXPECT_EQ(verdict["differ"], !alike);
        if (!alike) {
            // Every cluster with the smallest p lies in the planted quarter.
            for (const nlohmann::json& cluster : verdict["clusters"]) {
                if (cluster["p"].get<double>() < 0.05) {
                    EXPECT_GE(cluster["first"].get<int>(), 11025);
                    EXPECT_LE(cluster["last"].get<int>(), 22049);
                }
            }
        }
    }
}

}  // namespace
}  // namespace trellmark
