// Whole command-line runs with --spectrum: a tone whose phase changes from take
// to take, which the time domain cannot see and the spectrum finds; both
// verdicts at alpha/2; the JSON's "spectrum" object and the per-bin CSV.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "compare/compare_run.hpp"
#include "console/console.hpp"
#include "dialogue/dialogue_run.hpp"
#include "support/captured_streams.hpp"
#include "support/command_line_run.hpp"
#include "support/scratch_directory.hpp"
#include "support/screen_rows.hpp"
#include "support/scripted_keys.hpp"
#include "support/wave_bytes.hpp"
#include "support/whole_file.hpp"

namespace trellmark {
namespace {

constexpr int windowLength = 4096;

// Noise of 3 LSB; the comparison takes add a 3 kHz tone of 20 LSB whose
// phase differs in every take, evenly around the circle, so that their mean
// over the takes is zero.
void writeSets(const testing::ScratchDirectory& dir, int nR, int nC) {
    std::filesystem::create_directory(dir / "ref");
    std::filesystem::create_directory(dir / "cmp");
    std::mt19937_64 generator(17);
    std::normal_distribution<double> noise(0, 3);
    for (int k = 0; k < nR + nC; ++k) {
        const bool comparison = k >= nR;
        const double phase = 2 * std::numbers::pi * (k - nR) / nC;
        std::vector<int> window(windowLength);
        for (int j = 0; j < windowLength; ++j) {
            const double tone =
                comparison ? 20 * std::sin(2 * std::numbers::pi * 3000 * j / 44100 + phase) : 0;
            window[j] = static_cast<int>(std::lround(noise(generator) + tone));
        }
        const std::string path = comparison ? dir / ("cmp/t" + std::to_string(k) + ".wav")
                                            : dir / ("ref/t" + std::to_string(k) + ".wav");
        wavetest::writeTake(path, 16, 44100, 10, 20000, 3000, window);
    }
}

struct RunText {
    int status = -1;
    std::string out;
    std::string err;
};

RunText run(const testing::ScratchDirectory& dir, std::vector<std::string> extra) {
    std::vector<std::string> arguments{"compare",   "--reference", dir / "ref", "--comparison",
                                       dir / "cmp", "--threshold", "10000",     "--length",
                                       "4096",      "--fft-size",  "512"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    testing::CapturedStreams streams;
    const std::optional<int> status =
        runCommandLine(arguments, Streams{streams.out, streams.err, false, 80, false});
    return {status.value_or(-1), streams.outText(), streams.errText()};
}

TEST(SpectrumRun, TheSpectrumFindsAToneOfChangingPhaseThatTheTimeDomainMisses) {
    const testing::ScratchDirectory dir;
    writeSets(dir, 5, 5);
    const RunText result =
        run(dir, {"--spectrum", "--json", dir / "r.json", "--spectrum-csv", dir / "s.csv",
                  "--report", dir / "r.txt", "--plot", dir / "f.png"});
    EXPECT_EQ(result.status, differStatus) << result.out << result.err;
    // (4096 - 512) / 256 + 1 = 15 segments; 44100 / 512 = 86.13 Hz per bin.
    EXPECT_NE(result.out.find("   Spectrum (512-point, 15 segments, 86.1 Hz per bin):\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("   Verdict (time domain, at α/2):"), std::string::npos);
    EXPECT_NE(result.out.find("   Verdict (spectrum, at α/2):"), std::string::npos);

    const nlohmann::json json = nlohmann::json::parse(testing::readWholeFile(dir / "r.json"));
    EXPECT_EQ(json["verdict"]["outcome"], "doNotDiffer");
    EXPECT_EQ(json["verdict"]["alpha"], 0.025);
    const nlohmann::json& spectrum = json["spectrum"];
    EXPECT_EQ(spectrum["fftSize"], 512);
    EXPECT_EQ(spectrum["segments"], 15);
    EXPECT_EQ(spectrum["binHz"], 44100.0 / 512);
    ASSERT_EQ(spectrum["bins"].size(), 256u);
    EXPECT_EQ(spectrum["bins"][0]["bin"], 1);
    EXPECT_EQ(spectrum["bins"][34]["frequency"], 35 * 44100.0 / 512);
    EXPECT_EQ(spectrum["verdict"]["outcome"], "differ");
    EXPECT_EQ(spectrum["runVerdict"]["outcome"], "differ");
    // 3000 Hz lies in bin 34.8: the strongest cluster holds it, louder in the
    // comparison set, with the smallest p five and five takes allow.
    const nlohmann::json* strongest = nullptr;
    for (const nlohmann::json& cluster : spectrum["clusters"]) {
        if (strongest == nullptr || std::fabs(cluster["mass"].get<double>()) >
                                        std::fabs((*strongest)["mass"].get<double>())) {
            strongest = &cluster;
        }
    }
    ASSERT_NE(strongest, nullptr);
    EXPECT_LE((*strongest)["firstHz"].get<double>(), 3000.0);
    EXPECT_GE((*strongest)["lastHz"].get<double>(), 3000.0);
    EXPECT_LT((*strongest)["meanDifferenceDb"].get<double>(), -10.0);
    EXPECT_DOUBLE_EQ((*strongest)["p"].get<double>(), 2.0 / 252);

    const std::string csv = testing::readWholeFile(dir / "s.csv");
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "bin,frequency_hz,reference_mean_db,reference_sd_db,comparison_mean_db,"
              "comparison_sd_db,difference_db,t,significant,cluster");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 257);

    // The figure, with the spectrum's panels under the others.
    EXPECT_EQ(testing::readWholeFile(dir / "f.png").substr(1, 3), "PNG");

    // The report: its SPECTRUM section after the VERDICT section.
    const std::string report = testing::readWholeFile(dir / "r.txt");
    const auto verdictAt = report.find("\nVERDICT:");
    const auto spectrumAt = report.find("\nSPECTRUM:");
    ASSERT_NE(verdictAt, std::string::npos);
    ASSERT_NE(spectrumAt, std::string::npos);
    EXPECT_LT(verdictAt, spectrumAt);
    EXPECT_NE(report.find("   Spectrum (512-point, 15 segments, 86.1 Hz per bin):", spectrumAt),
              std::string::npos);
}

TEST(SpectrumRun, FourAndFourTakesCannotTellAtHalfAlphaButCanWithoutTheSpectrum) {
    const testing::ScratchDirectory dir;
    writeSets(dir, 4, 4);
    const RunText halved = run(dir, {"--spectrum"});
    EXPECT_EQ(halved.status, troubleStatus);
    const std::string because =
        "cannot tell: with 4 and 4 takes the smallest possible p is 0.0286; at least 5 and 5 are "
        "needed at α/2 of 95 per cent";
    const auto first = halved.out.find(because);
    ASSERT_NE(first, std::string::npos) << halved.out;
    EXPECT_NE(halved.out.find(because, first + 1), std::string::npos);  // both verdicts
    EXPECT_NE(halved.out.find("   Verdict of the run (time domain or spectrum):"),
              std::string::npos);

    // Without the spectrum the time domain alone has the whole alpha, and
    // finds nothing: no spectrum line, exit 0.
    const RunText alone = run(dir, {"--report", dir / "r.txt"});
    EXPECT_EQ(alone.status, completedStatus) << alone.out;
    EXPECT_EQ(alone.out.find("Spectrum"), std::string::npos);
    EXPECT_EQ(alone.out.find("α/2"), std::string::npos);
    EXPECT_EQ(testing::readWholeFile(dir / "r.txt").find("SPECTRUM:"), std::string::npos);
}

// The dialogue started with --spectrum shows the spectrum's lines after the
// verdict's; without it, neither.
TEST(SpectrumRun, TheDialogueShowsTheSpectrumOnlyWhenStartedWithIt) {
    const testing::ScratchDirectory dir;
    writeSets(dir, 5, 5);
    for (const bool asked : {false, true}) {
        ScriptedKeys keys;
        for (const std::string& answer :
             {dir / "ref", std::string("t"), std::string("10000"), std::string("4096"),
              std::string("95"), dir / "cmp", std::string("t"), std::string(""), std::string(""),
              std::string(""), std::string("")}) {
            keys.line(answer);
        }
        keys.functionKey();
        Console console(keys, nullptr);
        DialogueOptions options;
        options.spectrum = asked;
        options.fftSize = 512;
        ASSERT_EQ(askAndAnalyse(console, options, nullptr), 0);
        std::string screen;
        for (int row = 0; row < screenRows; ++row) {
            screen += trimmedRow(console.screen, row) + "\n";
        }
        EXPECT_EQ(screen.find("   Spectrum (512-point, 15 segments, 86.1 Hz per bin):") !=
                      std::string::npos,
                  asked)
            << screen;
        EXPECT_EQ(screen.find("Verdict (time domain, at α/2):") != std::string::npos, asked);
        EXPECT_EQ(screen.find("Verdict of the run (time domain or spectrum):") != std::string::npos,
                  asked);
        EXPECT_EQ(screen.find("   Verdict:"), std::string::npos);
    }
}

}  // namespace
}  // namespace trellmark
