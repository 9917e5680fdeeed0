#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "compare/progress_bar.hpp"
#include "report/plain_line_target.hpp"
#include "support/captured_streams.hpp"

namespace trellmark {
namespace {

std::string plainLines(const std::function<void(PlainLineTarget&)>& write) {
    testing::CapturedStreams streams;
    PlainLineTarget out(streams.out);
    write(out);
    return streams.outText();
}

TEST(PlainLineTarget, ZonesTrailingBlanksAndHeldBlankLines) {
    const std::vector<std::pair<std::function<void(PlainLineTarget&)>, std::string>> cases{
        {[](PlainLineTarget& out) {
             out.text("x");
             out.zone();
             out.text("|");
             out.lineEnd();
         },
         "x             |\n"},
        {[](PlainLineTarget& out) {
             out.text(std::string(14, 'a'));
             out.zone();
             out.text("|");
             out.lineEnd();
         },
         std::string(14, 'a') + std::string(14, ' ') + "|\n"},
        // 36 characters and three zones reach column 70; a figure there keeps
        // its sign blank, the blank after it goes.
        {[](PlainLineTarget& out) {
             out.text(std::string(36, 'a'));
             out.zone();
             out.zone();
             out.zone();
             out.text(" 17 ");
             out.lineEnd();
         },
         std::string(36, 'a') + std::string(34, ' ') + " 17\n"},
        // A UTF-8 character is one column; control bytes show as "?".
        {[](PlainLineTarget& out) {
             out.text("\xc3\xa9\x1b[2J");
             out.zone();
             out.text("|");
             out.lineEnd();
         },
         "\xc3\xa9?[2J" + std::string(9, ' ') + "|\n"},
        // Blank lines stand between lines with text, never at the end.
        {[](PlainLineTarget& out) {
             out.lineEnd();
             out.text("a");
             out.lineEnd();
             out.text("   ");
             out.lineEnd();
             out.lineEnd();
             out.text("b");
             out.lineEnd();
             out.lineEnd();
             out.lineEnd();
         },
         "\na\n\n\nb\n"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(plainLines(cases[i].first), cases[i].second) << "case " << i;
    }
}

TEST(ProgressText, CountsAndTheEndOfThePath) {
    EXPECT_EQ(progressText(0, 4, "/d/a.wav", 80), "[....................] 1/4 /d/a.wav");
    EXPECT_EQ(progressText(3, 4, "/d/a.wav", 80), "[###############.....] 4/4 /d/a.wav");
    // 40 columns leave 39 for the line: 12 for the path, cut at its start.
    EXPECT_EQ(progressText(1, 2, "/very/long/directory/take.wav", 40),
              "[##########..........] 2/2 .../take.wav");
    EXPECT_EQ(progressText(0, 1, "a\tb\x1b", 80), "[....................] 1/1 a?b?");
}

TEST(ProgressText, ThePermutationTestShowsSplitsAndTheTimeLeft) {
    const struct {
        std::int64_t done, total;
        double seconds;
        const char* text;
    } cases[] = {
        {0, 1000, 0, "[....................] 0/1000 splits tested, estimating the time left"},
        // 250 in 5 s: 750 more take 15 s.
        {250, 1000, 5, "[#####...............] 250/1000 splits tested, about 15 s left"},
        // 1e6 of 1e9 in 60 s: 999 minutes left, shown in hours.
        {1000000, 1000000000, 60,
         "[....................] 1000000/1000000000 splits tested, about 16 h left"},
        {1000, 1000000000, 1,
         "[....................] 1000/1000000000 splits tested, about 11 days left"},
        {1, 60, 2.1, "[....................] 1/60 splits tested, about 2 min left"},
        {1000, 1000, 9, "[####################] 1000/1000 splits tested, about 0 s left"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(testProgressText(c.done, c.total, c.seconds), c.text) << c.done;
    }
}

}  // namespace
}  // namespace trellmark
