// The null test of renders: the figures of two means subtracted, and whole
// compare runs on renders written here, against values numpy computed from
// the same samples (tests/render_null_values.py prints them).

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "analysis/null_test.hpp"
#include "compare/compare_run.hpp"
#include "compare/tolerance_check.hpp"
#include "report/null_lines.hpp"
#include "support/captured_streams.hpp"
#include "support/command_line_run.hpp"
#include "support/scratch_directory.hpp"
#include "support/wave_bytes.hpp"
#include "support/whole_file.hpp"

namespace trellmark {
namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

struct FiguresCase {
    const char* name;
    std::vector<double> reference;
    std::vector<double> comparison;
    std::int16_t bits;
    double peakLsb;
    std::int64_t peakIndex;
    double rmsDbfs;
    double peakDbfs;
    double nullDepthDb;
    double correlation;  // NaN: either mean is constant
};

TEST(NullFigures, FromTheTwoMeans) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const FiguresCase cases[] = {
        // Hand-worked: difference {1, 0, -2, 0}, RMS sqrt(5/4), reference RMS 3.
        {"hand-worked 16-bit",
         {0, 4, -4, 2},
         {1, 4, -6, 2},
         16,
         2,
         2,
         -89.339898569114,
         -84.288398785915,
         8.573324964313,
         0.976050530525},
        {"identical", {0, 4, -4, 2}, {0, 4, -4, 2}, 16, 0, 0, -infinity, -infinity, infinity, 1},
        // The first of equal peaks; a longer comparison is compared over the shorter.
        {"first peak, shorter reference",
         {1, 1, 1},
         {2, 0, 2, 9},
         24,
         1,
         0,
         20 * std::log10(1.0 / 8388608),
         20 * std::log10(1.0 / 8388608),
         0,
         nan},
    };
    for (const FiguresCase& c : cases) {
        SCOPED_TRACE(c.name);
        const NullFigures figures = nullFiguresOf(c.reference, c.comparison, c.bits);
        EXPECT_EQ(figures.peakLsb, c.peakLsb);
        EXPECT_EQ(figures.peakIndex, c.peakIndex);
        EXPECT_EQ(figures.fullScaleLsb, std::ldexp(1.0, c.bits - 1));
        const double got[] = {rmsDbfs(figures), peakDbfs(figures), nullDepthDb(figures)};
        const double want[] = {c.rmsDbfs, c.peakDbfs, c.nullDepthDb};
        for (int k = 0; k < 3; ++k) {
            if (std::isinf(want[k])) {
                EXPECT_EQ(got[k], want[k]) << k;
            } else {
                EXPECT_NEAR(got[k], want[k], 1e-9) << k;
            }
        }
        if (std::isnan(c.correlation)) {
            EXPECT_TRUE(std::isnan(figures.correlation));
        } else {
            EXPECT_NEAR(figures.correlation, c.correlation, 1e-12);
        }
    }
}

TEST(NullFigures, LineAndTolerances) {
    const NullFigures same =
        nullFiguresOf(std::vector<double>{3, 4}, std::vector<double>{3, 4}, 16);
    // Difference {2, 0}: RMS sqrt(2) LSB, -87.27 dBFS; peak 2 LSB, -84.29 dBFS;
    // reference RMS sqrt(12.5), so a null depth of 20 log10 2.5 = 7.96 dB.
    const NullFigures apart =
        nullFiguresOf(std::vector<double>{3, 4}, std::vector<double>{5, 4}, 16);
    struct Case {
        const char* name;
        const NullFigures& figures;
        Tolerances tolerance;
        bool within;
        std::vector<std::string> sentences;
    };
    const Case cases[] = {
        {"no difference passes any",
         same,
         {-200.0, 0.0, -200.0},
         true,
         {"   Tolerance: the difference RMS -inf dBFS is within -200.0 dBFS",
          "   Tolerance: the difference peak 0 LSB is within 0 LSB",
          "   Tolerance: the difference peak -inf dBFS is within -200.0 dBFS"}},
        {"RMS beyond",
         apart,
         {-88.0, {}, {}},
         false,
         {"   Tolerance: the difference RMS -87.3 dBFS is beyond -88.0 dBFS"}},
        {"RMS within",
         apart,
         {-87.0, {}, {}},
         true,
         {"   Tolerance: the difference RMS -87.3 dBFS is within -87.0 dBFS"}},
        {"peak at the limit passes",
         apart,
         {{}, 2.0, {}},
         true,
         {"   Tolerance: the difference peak 2 LSB is within 2 LSB"}},
        {"one beyond is enough",
         apart,
         {-80.0, 1.0, {}},
         false,
         {"   Tolerance: the difference RMS -87.3 dBFS is within -80.0 dBFS",
          "   Tolerance: the difference peak 2 LSB is beyond 1 LSB"}},
        {"peak in dBFS",
         apart,
         {{}, {}, -84.0},
         true,
         {"   Tolerance: the difference peak -84.3 dBFS is within -84.0 dBFS"}},
        {"none given", apart, {}, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ToleranceCheck check = checkTolerances(c.figures, c.tolerance);
        EXPECT_EQ(check.within, c.within);
        EXPECT_EQ(check.sentences, c.sentences);
    }
    EXPECT_EQ(nullLine(same), "   Difference RMS: no difference");
    EXPECT_EQ(nullLine(apart),
              "   Difference RMS: -87.3 dBFS, peak -84.3 dBFS at index 0, null depth 8.0 dB");
}

// Renders of 4800 samples: a 440 Hz sine at half full scale at 48 kHz.
constexpr int renderLength = 4800;

double sine(int j) {
    return 0.5 * std::sin(2 * M_PI * 440 * j / 48000);
}

enum class Change { none, louder, noise, oneLsb, longer };

double changed(Change change, int j, double x) {
    switch (change) {
        case Change::louder:
            return x * std::pow(10.0, 0.1 / 20);
        case Change::noise:  // -140 dBFS RMS
            return x + (j % 2 == 0 ? 1e-7 : -1e-7);
        default:
            return x;
    }
}

// A mono 48 kHz render: 32-bit float, or whole numbers of `bits`.
void writeRender(const std::string& path, int bits, bool floating, Change change) {
    wavetest::Bytes samples;
    const int length = renderLength + (change == Change::longer ? 100 : 0);
    for (int j = 0; j < length; ++j) {
        const double x = changed(change, j, sine(j));
        if (floating) {
            wavetest::appendFloat(samples, 32, x);
        } else {
            const double full = std::ldexp(1.0, bits - 1) - 1;
            const auto value = static_cast<std::int64_t>(std::nearbyint(sine(j) * full));
            wavetest::appendInteger(samples, bits, value + (change == Change::oneLsb && j == 1234));
        }
    }
    wavetest::Bytes chunks;
    wavetest::appendChunk(
        chunks, "fmt ",
        wavetest::formatBody(floating ? 3 : 1, 1, 48000, static_cast<std::uint16_t>(bits)));
    wavetest::appendChunk(chunks, "data", samples);
    wavetest::writeBytes(path, wavetest::riffFile(chunks));
}

struct RenderCase {
    const char* name;
    int bits;
    bool floating;
    Change change;
    std::vector<std::string> options;
    int status;
    double rmsDbfs;  // numpy's; -inf for identical renders
    double peakLsb;  // numpy's, in 24-bit steps for float
    std::string nullLine;
};

TEST(RenderNullTest, CompareRunsOnRenders) {
    using Options = std::vector<std::string>;
    const Options none{"--align", "none", "--scale", "none"};
    auto with = [&none](Options more) {
        Options all = none;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    const RenderCase cases[] = {
        {"float against itself", 32, true, Change::none, with({"--tolerance", "-100dBFS"}), 0,
         -infinity, 0, "   Difference RMS: no difference\n"},
        {"float 0.1 dB louder, unscaled", 32, true, Change::louder,
         with({"--tolerance", "-100dBFS"}), 1, -47.757137, 48568,
         "   Difference RMS: -47.8 dBFS, peak -44.7 dBFS at index 300, null depth 38.7 dB\n"},
        {"float 0.1 dB louder, scaled to level",
         32,
         true,
         Change::louder,
         {"--align", "none", "--tolerance", "-100dBFS"},
         0,
         -159.406723,
         0.277321,
         ""},
        {"float with noise at -140 dBFS", 32, true, Change::noise,
         with({"--tolerance", "-120dBFS"}), 0, -139.937617, 1,
         "   Difference RMS: -139.9 dBFS, peak -138.5 dBFS at index 14, null depth 130.9 dB\n"},
        {"24-bit, one LSB apart, within 1 LSB", 24, false, Change::oneLsb,
         with({"--peak-tolerance", "1"}), 0, -175.286210, 1,
         "   Difference RMS: -175.3 dBFS, peak -138.5 dBFS at index 1234, null depth 166.3 dB\n"},
        {"24-bit, one LSB apart, none allowed", 24, false, Change::oneLsb,
         with({"--peak-tolerance", "0"}), 1, -175.286210, 1, ""},
        {"16-bit, one render longer", 16, false, Change::longer, with({"--tolerance", "-100dBFS"}),
         2, -infinity, 0, "   Difference RMS: no difference\n"},
        {"16-bit, one render longer, accepted", 16, false, Change::longer,
         with({"--tolerance", "-100dBFS", "--accept-notes"}), 0, -infinity, 0, ""},
    };
    for (const RenderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const testing::ScratchDirectory dir;
        std::filesystem::create_directory(dir / "old");
        std::filesystem::create_directory(dir / "new");
        writeRender(dir / "old/render.wav", c.bits, c.floating, Change::none);
        writeRender(dir / "new/render.wav", c.bits, c.floating, c.change);
        std::vector<std::string> arguments{"compare",        "--reference", dir / "old",
                                           "--comparison",   dir / "new",   "--json",
                                           dir / "run.json", "--report",    dir / "report.txt"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        testing::CapturedStreams streams;
        const auto status =
            runCommandLine(arguments, Streams{streams.out, streams.err, false, 60, false});
        EXPECT_EQ(status, c.status) << streams.errText();
        const std::string out = streams.outText();
        if (!c.nullLine.empty()) {
            EXPECT_NE(out.find(c.nullLine), std::string::npos) << out;
        }
        // A render's report ends its results with the same null line.
        if (!c.nullLine.empty()) {
            const std::string report = testing::readWholeFile(dir / "report.txt");
            std::string line = c.nullLine;
            line.insert(line.size() - 1, "\r");
            EXPECT_NE(report.find(line), std::string::npos) << report;
        }
        const auto json = nlohmann::json::parse(testing::readWholeFile(dir / "run.json"));
        const auto& null = json.at("null");
        EXPECT_EQ(json.at("parameters").at("length"), renderLength);
        if (std::isinf(c.rmsDbfs)) {
            EXPECT_TRUE(null.at("rmsDbfs").is_null());
            EXPECT_TRUE(null.at("nullDepthDb").is_null());
        } else {
            EXPECT_NEAR(null.at("rmsDbfs").get<double>(), c.rmsDbfs, 0.01);
        }
        EXPECT_NEAR(null.at("peakLsb").get<double>(), c.peakLsb, c.peakLsb < 1 ? 0.01 : 1e-6);
        if (c.change == Change::longer) {
            EXPECT_NE(streams.errText().find("the renders differ in length: 4800 to 4900 samples"),
                      std::string::npos);
        }
    }
}

}  // namespace
}  // namespace trellmark

namespace trellmark {
namespace {

TEST(RenderOptions, AlignScaleAndTolerances) {
    struct Case {
        std::vector<std::string> options;  // after compare --reference r
        std::string mistake;               // empty: accepted
        bool aligned = true;
        bool scaled = true;
        std::int32_t length = 0;
        std::int32_t start = 0;
        Tolerances tolerance;
    };
    const Case cases[] = {
        {{"--align", "none"}, "", false, true, 0, 0, {}},
        {{"--align", "none", "--start", "10", "--length", "5", "--scale", "none"},
         "",
         false,
         false,
         5,
         10,
         {}},
        {{"--align", "none", "--tolerance", "-100dBFS", "--peak-tolerance", "3"},
         "",
         false,
         true,
         0,
         0,
         {-100.0, 3.0, {}}},
        {{"--align", "none", "--tolerance", "-99.5", "--peak-tolerance", "-120.5dBFS"},
         "",
         false,
         true,
         0,
         0,
         {-99.5, {}, -120.5}},
        {{"--threshold", "5", "--length", "8"}, "", true, true, 8, fixedStartOffset, {}},
        {{"--length", "8"}, "--threshold is required", true, true, 0, 0, {}},
        {{"--align", "sideways", "--threshold", "1", "--length", "1"},
         "--align: 'sideways' is neither impulse nor none",
         true,
         true,
         0,
         0,
         {}},
        {{"--align", "none", "--scale", "loud"},
         "--scale: 'loud' is neither level nor none",
         true,
         true,
         0,
         0,
         {}},
        {{"--align", "none", "--tolerance", "-100dB"},
         "--tolerance: '-100dB' is not a level such as -100dBFS",
         true,
         true,
         0,
         0,
         {}},
        {{"--align", "none", "--tolerance", "dBFS"},
         "--tolerance: 'dBFS' is not a level such as -100dBFS",
         true,
         true,
         0,
         0,
         {}},
        {{"--align", "none", "--length", "0"}, "--length: ", true, true, 0, 0, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"compare", "--reference", "r"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        SCOPED_TRACE(arguments.back());
        const Command command = parseCommandLine(arguments);
        if (!c.mistake.empty()) {
            EXPECT_EQ(command.kind, CommandKind::mistake);
            EXPECT_EQ(command.text.substr(0, c.mistake.size()), c.mistake);
            continue;
        }
        ASSERT_EQ(command.kind, CommandKind::compare) << command.text;
        const AnalysisParameters& parameters = command.compare.request.parameters;
        EXPECT_EQ(parameters.alignOnImpulse, c.aligned);
        EXPECT_EQ(parameters.scaleToLevel, c.scaled);
        EXPECT_EQ(parameters.analysisLength, c.length);
        EXPECT_EQ(parameters.startOffset, c.start);
        EXPECT_EQ(command.compare.tolerance.rmsDbfs, c.tolerance.rmsDbfs);
        EXPECT_EQ(command.compare.tolerance.peakLsb, c.tolerance.peakLsb);
        EXPECT_EQ(command.compare.tolerance.peakDbfs, c.tolerance.peakDbfs);
    }
}

}  // namespace
}  // namespace trellmark
