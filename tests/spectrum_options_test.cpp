// The spectrum's options, and the run's verdict from the time domain's and the
// spectrum's.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options/command_line.hpp"
#include "spectrum/run_spectrum.hpp"

namespace trellmark {
namespace {

using Arguments = std::vector<std::string>;

Command parsed(const Arguments& extra) {
    Arguments arguments = {"compare", "--reference", "r", "--threshold", "10", "--length", "44100"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return parseCommandLine(arguments);
}

TEST(SpectrumOptions, FftSizeAndCsvAreCheckedWithTheSpectrum) {
    struct Case {
        Arguments extra;
        std::string mistake;  // empty: accepted
        int fftSize;
    };
    const std::vector<Case> cases = {
        {{"--spectrum"}, "", 4096},
        {{"--spectrum", "--fft-size", "64"}, "", 64},
        {{"--spectrum", "--fft-size", "32768"}, "", 32768},
        {{"--spectrum", "--fft-size", "65536"},
         "--fft-size: 65536 is longer than the 44100 samples of --length",
         0},
        {{"--spectrum", "--fft-size", "1000"}, "--fft-size: '1000' is not a power of two", 0},
        {{"--spectrum", "--fft-size", "32"}, "", -1},
        {{"--spectrum-csv", "s.csv"}, "--spectrum-csv: needs --spectrum", 0},
        {{"--spectrum", "--spectrum-csv", "-"}, "", 4096},
    };
    for (const Case& c : cases) {
        const Command command = parsed(c.extra);
        SCOPED_TRACE(command.text);
        if (c.fftSize == -1) {
            EXPECT_EQ(command.kind, CommandKind::mistake);
            EXPECT_NE(command.text.find("--fft-size"), std::string::npos);
        } else if (c.mistake.empty()) {
            ASSERT_EQ(command.kind, CommandKind::compare);
            EXPECT_TRUE(command.compare.request.spectrum.wanted);
            EXPECT_EQ(command.compare.request.spectrum.fftSize, c.fftSize);
        } else {
            EXPECT_EQ(command.kind, CommandKind::mistake);
            EXPECT_EQ(command.text, c.mistake);
        }
    }
    // Without --spectrum nothing of it is asked for; a CSV on standard output
    // keeps the lines off it.
    EXPECT_FALSE(parsed({}).compare.request.spectrum.wanted);
    EXPECT_FALSE(parsed({"--spectrum", "--spectrum-csv", "-"}).compare.linesOnStandardOutput());
    EXPECT_TRUE(parsed({"--spectrum"}).compare.linesOnStandardOutput());
}

TEST(SpectrumOptions, TheRunDiffersWhenEitherDiffersAndCannotTellWhenNeitherDoes) {
    using enum VerdictOutcome;
    struct Case {
        VerdictOutcome time;
        VerdictOutcome spectrum;
        VerdictOutcome run;
    };
    const std::vector<Case> cases = {
        {differ, differ, differ},
        {differ, doNotDiffer, differ},
        {doNotDiffer, differ, differ},
        {cannotTell, differ, differ},
        {differ, cannotTell, differ},
        {doNotDiffer, doNotDiffer, doNotDiffer},
        {cannotTell, doNotDiffer, cannotTell},
        {doNotDiffer, cannotTell, cannotTell},
        {cannotTell, cannotTell, cannotTell},
    };
    for (const Case& c : cases) {
        Verdict time;
        Verdict spectrum;
        time.outcome = c.time;
        spectrum.outcome = c.spectrum;
        EXPECT_EQ(combinedOutcome(time, spectrum), c.run);
    }
}

}  // namespace
}  // namespace trellmark
