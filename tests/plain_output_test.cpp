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

}  // namespace
}  // namespace trellmark
