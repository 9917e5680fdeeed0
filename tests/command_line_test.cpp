#include "options/command_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compare/compare_run.hpp"
#include "options/whole_number.hpp"
#include "support/captured_streams.hpp"
#include "support/command_line_run.hpp"
#include "support/scratch_directory.hpp"

namespace trellmark {
namespace {

using Arguments = std::vector<std::string>;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome run(const Arguments& arguments) {
    testing::CapturedStreams streams;
    const std::optional<int> status =
        runCommandLine(arguments, Streams{streams.out, streams.err, false, 80, false});
    return {status.value_or(-1), streams.outText(), streams.errText()};
}

TEST(WholeNumber, OnlyPlainDecimalNumbersCount) {
    const std::vector<std::pair<std::string, std::optional<std::int64_t>>> cases{
        {"0", 0},
        {"44100", 44100},
        {"-12", -12},
        {"+7", 7},
        {"0042", 42},
        {"", {}},
        {"-", {}},
        {"+", {}},
        {"12abc", {}},
        {" 12", {}},
        {"12 ", {}},
        {"1.0", {}},
        {"1e3", {}},
        {"0x10", {}},
        {"+-5", {}},
        {"-+5", {}},
        {"--5", {}},
        {"&H10", {}},
        {"99999999999999999999", {}},
        {"-9223372036854775808", INT64_MIN}};
    for (const auto& [text, value] : cases) EXPECT_EQ(parseWholeNumber(text), value) << text;
}

TEST(CommandLine, NoArgumentsAskForTheDialogueAndItsOptionsAddToIt) {
    EXPECT_EQ(parseCommandLine({}).kind, CommandKind::dialogue);
    const Command command = parseCommandLine(Arguments{
        "--verdict", "--plot", "run.PDF", "--plot-size", "800x600", "--permutations", "500"});
    ASSERT_EQ(command.kind, CommandKind::dialogue);
    EXPECT_TRUE(command.dialogue.verdict);
    EXPECT_EQ(command.dialogue.plot, "run.PDF");
    EXPECT_EQ(command.dialogue.plotSize.width, 800);
    EXPECT_EQ(command.dialogue.plotSize.height, 600);
    EXPECT_EQ(command.dialogue.permutations.permutations, 500);
    EXPECT_EQ(command.dialogue.permutations.statistic, ClusterStatistic::mass);
}

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
    for (const Arguments& arguments : {Arguments{"--help"}, Arguments{"-h"}}) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_NE(outcome.out.find("Usage: trellmark"), std::string::npos);
        EXPECT_NE(outcome.out.find("compare"), std::string::npos);
        EXPECT_EQ(outcome.err, "");
    }
    EXPECT_NE(run({"compare", "--help"}).out.find("--reference-core NAME"), std::string::npos);
    for (const Arguments& arguments : {Arguments{"--version"}, Arguments{"-V"}}) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.out, std::string("trellmark ") + TRELLMARK_VERSION + "\n");
    }
}

TEST(CommandLine, MistakesStopTheRunWithStatusTwo) {
    const Arguments needed{"compare", "--reference", "/r", "--threshold", "100", "--length", "10"};
    auto with = [&](Arguments more) {
        Arguments all = needed;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    const std::vector<std::pair<Arguments, std::string>> cases{
        {with({"--bogus"}), "The following argument was not expected: --bogus"},
        {{"compare", "--threshold", "1", "--length", "1"}, "--reference is required"},
        {{"compare", "--reference", "/r", "--length", "1"}, "--threshold is required"},
        {with({"--length", "12abc"}), "--length: '12abc' is not a whole number"},
        {with({"--length", "0"}), "--length: '0' is out of range (1 to 2147483647)"},
        {with({"--start", "-1"}), "--start: '-1' is out of range (0 to 2147483647)"},
        {with({"--threshold", "2147483648"}),
         "--threshold: '2147483648' is out of range (-2147483648 to 2147483647)"},
        {with({"--confidence", "97"}), "--confidence: '97' is neither 95 nor 99"},
        {with({"--confidence", "95.0"}), "--confidence: '95.0' is not a whole number"},
        {with({"--report", "-"}), "--report: '-' (standard output) is only for --json and --csv"},
        {with({"--json", "-", "--csv", "-"}), "--json and --csv name the same file '-'"},
        {with({"--report", "a.txt", "--difference", "a.txt"}),
         "--report and --difference name the same file 'a.txt'"},
        {{"compare2"}, "The following argument was not expected: compare2"},
        {with({"--permutations", "-1"}), "--permutations: '-1' is out of range (0 to 1000000000)"},
        {with({"--seed", "x"}), "--seed: 'x' is not a whole number"},
        {with({"--cluster-statistic", "weight"}),
         "--cluster-statistic: 'weight' is neither size nor mass"},
        {with({"--plot", "run.jpg"}), "--plot: 'run.jpg' does not end in .png, .svg or .pdf"},
        {with({"--plot-size", "10x10"}),
         "--plot-size: '10x10' is not WIDTHxHEIGHT with each side from 200 to 20000"},
        {with({"--plot", "a.png", "--report", "a.png"}),
         "--report and --plot name the same file 'a.png'"},
        {{"--plot", "figure.gif"}, "--plot: 'figure.gif' does not end in .png, .svg or .pdf"},
        {with({"--html", "a.png", "--plot", "a.png"}),
         "--html and --plot name the same file 'a.png'"},
        {with({"--html", "-"}), "--html: '-' (standard output) is only for --json and --csv"},
        {{"--plot", "a.svg", "--html", "a.svg"}, "--plot and --html name the same file 'a.svg'"},
        {with({"--plot", "a.png", "--plot-size", "20000x20000"}),
         "--plot-size: '20000x20000' is more than a PNG figure may have (100 million pixels)"},
        {with({"one", "--two", "three four", "five"}),
         "The following arguments were not expected: one --two three four five"},
        {with({"--seed", "9223372036854775808"}),
         "--seed: '9223372036854775808' is too large (0 to 9223372036854775807)"},
        {with({"--threshold", "-99999999999999999999"}),
         "--threshold: '-99999999999999999999' is too small (-2147483648 to 2147483647)"},
        {with({"--report", "a.txt", "--json", "./a.txt"}),
         "--report 'a.txt' and --json './a.txt' name the same file"},
        {with({"--reference-core", "sub/take"}),
         "--reference-core: 'sub/take' holds a '/', but a core is the start of a file name: put "
         "its directory in --reference"},
        {{"--seed", "3", "compare", "--reference", "/r", "--threshold", "1", "--length", "1"},
         "--seed belongs after 'compare'"},
        {{"--verdict", "compare", "--reference", "/r", "--threshold", "1", "--length", "1"},
         "--verdict belongs to the dialogue: 'compare' always gives the verdict"},
        {{"--plot", "a.png", "--html", "./a.png"},
         "--plot 'a.png' and --html './a.png' name the same file"},
    };
    for (const auto& [arguments, message] : cases) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, 2) << message;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err,
                  "trellmark: " + message + "\nSee 'trellmark --help' for the options.\n");
    }
}

TEST(CommandLine, DefaultsFollowTheReferenceSet) {
    const Command command =
        parseCommandLine(Arguments{"compare", "--reference", "/r", "--reference-core", "take",
                                   "--threshold", "-5", "--length", "44100", "--quiet"});
    ASSERT_EQ(command.kind, CommandKind::compare);
    const CompareOptions& options = command.compare;
    EXPECT_EQ(options.comparisonDirectory, "/r");
    EXPECT_EQ(options.comparisonCore, "take");
    EXPECT_EQ(options.request.parameters.impulseThreshold, -5);
    EXPECT_EQ(options.request.parameters.startOffset, 17640);
    EXPECT_EQ(options.request.parameters.confidenceLevel, 95);
    EXPECT_FALSE(options.linesOnStandardOutput());
}

TEST(CommandLine, ASetWithoutFilesNamesItsPattern) {
    testing::ScratchDirectory dir;
    dir.writeFile("take1.wav");
    const Outcome outcome =
        run({"compare", "--reference", dir.path(), "--reference-core", "take", "--comparison",
             dir / "none", "--threshold", "1", "--length", "5"});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.err, "trellmark: no file matches " + (dir / "none") + "/take*.wav\n");
    EXPECT_EQ(outcome.out, "");  // nothing was read
}

}  // namespace
}  // namespace trellmark
