// Whole command-line runs over recordings as people make them: every way a
// take can be unusable ends in status 2 and names the take, never in a quiet
// "no difference"; the channel analysed is the one asked for.

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "analysis/take_reading.hpp"
#include "compare/compare_run.hpp"
#include "options/command_line.hpp"
#include "support/captured_streams.hpp"
#include "support/command_line_run.hpp"
#include "support/scratch_directory.hpp"
#include "support/wave_bytes.hpp"
#include "support/whole_file.hpp"

namespace trellmark {
namespace {

namespace fs = std::filesystem;
using wavetest::Bytes;

constexpr int windowLength = 300;
constexpr int impulseAt = 3;

// Take k of a set: noise of a few LSB, and in the comparison set (when
// planted) an offset of 40 LSB over indices 100 to 199.
std::vector<int> takeValues(int set, int k, bool planted) {
    std::vector<int> values(impulseAt + 17640 + windowLength, 0);
    values[impulseAt] = 20000;
    for (int i = impulseAt + 6616; i <= impulseAt + 11025; ++i) values[i] = 3000;
    for (int j = 0; j < windowLength; ++j) {
        // Each value its own draw: a hash of where it stands.
        std::uint64_t h = (static_cast<std::uint64_t>(set) << 40) ^
                          (static_cast<std::uint64_t>(k) << 20) ^ static_cast<std::uint64_t>(j);
        h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
        h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
        h ^= h >> 31;
        int v = static_cast<int>(h >> 61) - 4;
        if (planted && set == 1 && j >= 100 && j < 200) v += 40;
        values[impulseAt + 17640 + j] = v;
    }
    return values;
}

// A 16-bit file of one or more channels, channel c holding channels[c].
void writeChannels(const std::string& path, std::uint32_t rate,
                   const std::vector<std::vector<int>>& channels) {
    const std::size_t frames = channels.front().size();
    Bytes file =
        wavetest::canonicalHeader(static_cast<std::uint16_t>(channels.size()), rate, 16,
                                  static_cast<std::uint32_t>(frames * channels.size() * 2));
    for (std::size_t i = 0; i < frames; ++i) {
        for (const std::vector<int>& channel : channels) {
            wavetest::appendLittleEndian(file, static_cast<std::uint16_t>(channel[i]), 2);
        }
    }
    wavetest::writeBytes(path, file);
}

struct SetsRun {
    int status = -1;
    std::string err;
    std::string out;
};

// Five reference and five comparison takes, which `change` may alter before
// the run.
SetsRun runSets(bool planted, const std::vector<std::string>& extra,
                const std::function<void(const std::string& ref, const std::string& cmp)>& change,
                bool quiet = true) {
    testing::ScratchDirectory dir;
    const std::string ref = dir / "ref";
    const std::string cmp = dir / "cmp";
    fs::create_directory(ref);
    fs::create_directory(cmp);
    for (int k = 0; k < 5; ++k) {
        writeChannels(ref + "/t" + std::to_string(k) + ".wav", 44100, {takeValues(0, k, planted)});
        writeChannels(cmp + "/t" + std::to_string(k) + ".wav", 44100, {takeValues(1, k, planted)});
    }
    if (change) change(ref, cmp);
    std::vector<std::string> arguments{"compare", "--reference", ref,     "--comparison",
                                       cmp,       "--threshold", "10000", "--length",
                                       "300"};
    if (quiet) arguments.push_back("-q");
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    testing::CapturedStreams streams;
    const std::optional<int> status =
        runCommandLine(arguments, Streams{streams.out, streams.err, false, 80, false});
    return {status.value_or(-1), streams.errText(), streams.outText()};
}

TEST(RecordingsRun, EveryUnusableTakeEndsInTroubleAndIsNamed) {
    const auto replace = [](const char* name, std::function<void(const std::string&)> write) {
        return
            [name, write](const std::string&, const std::string& cmp) { write(cmp + "/" + name); };
    };
    const auto withoutImpulse = replace("t2.wav", [](const std::string& path) {
        std::vector<int> values = takeValues(1, 2, false);
        values[impulseAt] = 0;
        writeChannels(path, 44100, {values});
    });
    const struct {
        const char* name;
        std::vector<std::string> extra;
        std::function<void(const std::string&, const std::string&)> change;
        int status;
        std::string named;  // a text standard error must hold
    } cases[] = {
        {"all usable, alike", {}, nullptr, 0, ""},
        {"no impulse",
         {},
         withoutImpulse,
         2,
         "t2.wav: No sample in this file is above the impulse threshold."},
        {"no impulse, accepted",
         {"--accept-notes"},
         withoutImpulse,
         0,
         "t2.wav: No sample in this file is above the impulse threshold."},
        {"another sample rate",
         {},
         replace("t1.wav",
                 [](const std::string& path) {
                     writeChannels(path, 48000, {takeValues(1, 1, false)});
                 }),
         2,
         "t1.wav: This file's sample rate differs from the first reference file's."},
        {"ends inside its window",
         {},
         replace("t3.wav",
                 [](const std::string& path) {
                     std::vector<int> values = takeValues(1, 3, false);
                     values.resize(values.size() - 10);
                     writeChannels(path, 44100, {values});
                 }),
         2,
         "t3.wav: This file ends before its level or analysis window does"},
        {"unreadable",
         {},
         replace("t4.wav",
                 [](const std::string& path) { wavetest::writeBytes(path, Bytes(7, 'x')); }),
         2,
         "t4.wav: This file is shorter than a wave header"},
        {"the same take twice",
         {},
         replace("t0.flac",
                 [](const std::string& path) {
                     fs::copy_file(fs::path(path).replace_extension(".wav"), path);
                 }),
         2,
         "are the same take twice"},
        {"two channels without --channel",
         {},
         replace("t0.wav",
                 [](const std::string& path) {
                     const std::vector<int> values = takeValues(1, 0, false);
                     writeChannels(path, 44100, {values, values});
                 }),
         2,
         "has 2 channels: choose the one to analyse with --channel N"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SetsRun run = runSets(false, c.extra, c.change);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
    }
}

// Stereo takes in place of the mono ones, the difference planted in channel 2
// alone.
void plantInChannelTwo(const std::string& ref, const std::string& cmp) {
    for (int k = 0; k < 5; ++k) {
        const std::string name = "/t" + std::to_string(k) + ".wav";
        writeChannels(ref + name, 44100, {takeValues(0, k, true), takeValues(0, k, true)});
        writeChannels(cmp + name, 44100, {takeValues(1, k, false), takeValues(1, k, true)});
    }
}

// A difference planted in channel 2 alone is found there and only there.
TEST(RecordingsRun, TheChannelAskedForIsTheOneAnalysed) {
    EXPECT_EQ(runSets(true, {"--channel", "2"}, plantInChannelTwo).status, 1);
    EXPECT_EQ(runSets(true, {"--channel", "1"}, plantInChannelTwo).status, 0);
    EXPECT_EQ(runSets(true, {"--channel", "3"}, plantInChannelTwo).status, 2);  // no such channel
}

// Every channel in turn: the difference planted in channel 2 alone is found
// there, not in channel 1, under the one verdict; the signal files hold both.
TEST(RecordingsRun, EveryChannelIsAnalysedInTurnUnderOneVerdict) {
    testing::ScratchDirectory out;
    const std::string report = out / "report.txt";
    const std::string difference = out / "difference.wav";
    const std::string json = out / "run.json";
    const std::string csv = out / "run.csv";
    const std::string figure = out / "figure.png";
    const std::string page = out / "page.html";
    const SetsRun run =
        runSets(true,
                {"--channel", "all", "--report", report, "--difference", difference, "--json", json,
                 "--csv", csv, "--plot", figure, "--plot-size", "400x300", "--html", page},
                plantInChannelTwo);
    EXPECT_EQ(run.status, 1) << run.err;
    const std::string text = testing::readWholeFile(report);
    const auto countAfter = [&text](const std::string& heading) {
        const std::string label = "   Number of statistically significant sample differences:";
        const std::size_t at = text.find(label, text.find(heading));
        return std::stoi(text.substr(at + label.size() + 16, 20));
    };
    EXPECT_LT(countAfter("RESULTS, CHANNEL 1 OF 2:"), 40) << text;
    EXPECT_GE(countAfter("RESULTS, CHANNEL 2 OF 2:"), 95) << text;
    EXPECT_NE(text.find("   Channel 1 of 2:\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("   Verdict across 2 channels:"), std::string::npos) << text;
    EXPECT_NE(text.find("the sets differ (cluster p = "), std::string::npos) << text;
    const Bytes wave = wavetest::readBytes(difference);
    ASSERT_GE(wave.size(), 44u);
    EXPECT_EQ(wavetest::uint16At(wave, 22), 2);  // channels
    EXPECT_EQ(wavetest::uint32At(wave, 40), 2u * 2 * windowLength);

    // The JSON and the CSV tell the channels apart as the report does.
    const auto parsed = nlohmann::json::parse(testing::readWholeFile(json));
    EXPECT_EQ(parsed["parameters"]["channel"], "all");
    ASSERT_EQ(parsed["channels"].size(), 2u);
    for (int c = 0; c < 2; ++c) {
        const auto& channel = parsed["channels"][c];
        EXPECT_EQ(channel["channel"], c + 1);
        EXPECT_EQ(channel["result"]["significantCount"],
                  countAfter("RESULTS, CHANNEL " + std::to_string(c + 1) + " OF 2:"));
        EXPECT_EQ(channel["reference"]["takes"].size(), 5u);
    }
    EXPECT_EQ(parsed["verdict"]["outcome"], "differ");
    int belowAlpha = 0;
    for (const auto& cluster : parsed["verdict"]["clusters"]) {
        if (cluster["p"].get<double>() >= 0.05) continue;
        ++belowAlpha;
        EXPECT_EQ(cluster["channel"], 2);
        EXPECT_GE(cluster["first"].get<int>(), 95);
        EXPECT_LE(cluster["last"].get<int>(), 204);
    }
    EXPECT_GE(belowAlpha, 1);
    const std::string rows = testing::readWholeFile(csv);
    EXPECT_EQ(rows.rfind("channel,index,offset,", 0), 0u);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 1 + 2 * windowLength);
    EXPECT_NE(rows.find("\r\n1,0,17640,"), std::string::npos);
    EXPECT_NE(rows.find("\r\n2,299,17939,"), std::string::npos);

    // A take without an impulse on channel 1 alone is noted there alone.
    const std::string notedJson = out / "noted.json";
    const auto silentFirst = [](const std::string& ref, const std::string& cmp) {
        plantInChannelTwo(ref, cmp);
        std::vector<int> silent = takeValues(1, 2, false);
        silent[impulseAt] = 0;
        writeChannels(cmp + "/t2.wav", 44100, {silent, takeValues(1, 2, true)});
    };
    EXPECT_EQ(runSets(true, {"--channel", "all", "--json", notedJson}, silentFirst).status, 2);
    const auto noted = nlohmann::json::parse(testing::readWholeFile(notedJson));
    ASSERT_EQ(noted["channels"][0]["notes"].size(), 1u);
    EXPECT_EQ(noted["channels"][0]["notes"][0]["note"],
              "No sample in this file is above the impulse threshold.");
    EXPECT_TRUE(noted["channels"][1]["notes"].empty());
    EXPECT_NE(noted["error"].get<std::string>().find("1 take is noted"), std::string::npos);

    // A tolerance holds only if it holds on every channel; each channel's
    // null line and tolerance sentence carry its name.
    for (const auto& [tolerance, status] : {std::pair{"-75", 1}, std::pair{"-50", 0}}) {
        const std::vector<std::string> render = {"--channel",   "all",    "--align", "none",
                                                 "--scale",     "none",   "--start", "17643",
                                                 "--tolerance", tolerance};
        const SetsRun rendered = runSets(true, render, plantInChannelTwo, false);
        EXPECT_EQ(rendered.status, status) << tolerance;
        for (const std::string line :
             {"\n   Channel 1: Difference RMS: ", "\n   Channel 2: Difference RMS: ",
              "\n   Channel 1: Tolerance: the difference RMS ",
              "\n   Channel 2: Tolerance: the difference RMS "}) {
            EXPECT_NE(rendered.out.find(line), std::string::npos) << line << rendered.out;
        }
    }

    // The figure holds a band of the asked size for each channel; a figure
    // of more bands than its bound allows is an output that could not be
    // written, named as such.
    cairo_surface_t* image = cairo_image_surface_create_from_png(figure.c_str());
    EXPECT_EQ(cairo_image_surface_get_width(image), 400);
    EXPECT_EQ(cairo_image_surface_get_height(image), 600);
    cairo_surface_destroy(image);
    const SetsRun tooTall =
        runSets(true, {"--channel", "all", "--plot", out / "tall.svg", "--plot-size", "400x15000"},
                plantInChannelTwo);
    EXPECT_EQ(tooTall.status, 2);
    EXPECT_NE(tooTall.err.find("2 bands of 15000 make it 30000 tall"), std::string::npos)
        << tooTall.err;

    // The page gives each channel its charts and cluster table, and the one verdict.
    const std::string html = testing::readWholeFile(page);
    EXPECT_NE(html.find("<p id=\"verdict\" class=\"verdict\">Verdict across 2 channels: the "
                        "sets differ (cluster p = "),
              std::string::npos);
    for (const char* part : {"<h2 class=\"channel\">Channel 1 of 2</h2>",
                             "<div id=\"chart-t-2\" class=\"chart\"></div>",
                             "<table id=\"clusters-2\" class=\"clusters\"></table>"}) {
        EXPECT_NE(html.find(part), std::string::npos) << part;
    }

    // The spectrum is of one channel.
    const SetsRun refused = runSets(true, {"--channel", "all", "--spectrum"}, plantInChannelTwo);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--spectrum: analyses one channel; give --channel N"),
              std::string::npos)
        << refused.err;
}

}  // namespace
}  // namespace trellmark

namespace trellmark {
namespace {

// A threshold relative to full scale finds the same place in a file of any
// depth or format: full scale is 2^(bits-1) steps, 2^23 for a float file.
TEST(RelativeThreshold, IsTakenDownToAWholeStepOfEachFormat) {
    const struct {
        const char* typed;
        std::int16_t bits;
        SampleKind kind;
        std::int32_t steps;
    } cases[] = {
        {"50%", 16, SampleKind::integer, 16384},
        {"50%", 24, SampleKind::integer, 4194304},
        {"50%", 32, SampleKind::floating, 4194304},
        {"-6dBFS", 16, SampleKind::integer, 16422},  // 10^(-6/20) = 0.50118723...
        {"-20dbfs", 32, SampleKind::floating, 838860},
        {"0dBFS", 8, SampleKind::integer, 128},
        {"100%", 32, SampleKind::integer, 2147483647},  // 2^31 held within 32 bits
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const Command command = parseCommandLine(std::vector<std::string>{
            "compare", "--reference", "r", "--threshold", c.typed, "--length", "4"});
        ASSERT_EQ(command.kind, CommandKind::compare) << command.text;
        WaveInfo header;
        header.bitsPerSample = c.bits;
        header.kind = c.kind;
        EXPECT_EQ(impulseThresholdFor(command.compare.request.parameters, header), c.steps);
    }
    for (const char* wrong : {"3dBFS", "0%", "101%", "dBFS", "x%", "-6 dB"}) {
        SCOPED_TRACE(wrong);
        const Command command = parseCommandLine(std::vector<std::string>{
            "compare", "--reference", "r", "--threshold", wrong, "--length", "4"});
        EXPECT_EQ(command.kind, CommandKind::mistake);
        EXPECT_NE(command.text.find("--threshold: '" + std::string(wrong) + "'"), std::string::npos)
            << command.text;
    }
}

}  // namespace
}  // namespace trellmark
