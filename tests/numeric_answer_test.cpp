#include "dialogue/numeric_answer.hpp"

#include <gtest/gtest.h>

namespace trellmark {
namespace {

TEST(NumericAnswer, DecimalAnswersRoundHalfToEven) {
    EXPECT_EQ(answerToInt32(""), 0);
    EXPECT_EQ(answerToInt32("   "), 0);
    EXPECT_EQ(answerToInt32("word"), 0);
    EXPECT_EQ(answerToInt32("12abc"), 12);
    EXPECT_EQ(answerToInt32(" 7"), 7);
    EXPECT_EQ(answerToInt32("\t\n 7"), 7);
    EXPECT_EQ(answerToInt32("1e3"), 1000);
    EXPECT_EQ(answerToInt32("1D3"), 1000);
    EXPECT_EQ(answerToInt32("25E-1"), 2);
    EXPECT_EQ(answerToInt32("2.5"), 2);
    EXPECT_EQ(answerToInt32("3.5"), 4);
    EXPECT_EQ(answerToInt32("-2.5"), -2);
    EXPECT_EQ(answerToInt32("+8"), 8);
    EXPECT_EQ(answerToInt32("-.6"), -1);
    EXPECT_EQ(answerToInt32("1.2.3"), 1);
    EXPECT_EQ(answerToInt32("1e"), 1);
    EXPECT_EQ(answerToInt32("1e+"), 1);
    EXPECT_EQ(answerToInt32("- 5"), 0);
    EXPECT_EQ(answerToInt32("\r5"), 0);  // only blanks, tabs and line feeds are skipped
}

TEST(NumericAnswer, OutsideThe32BitRangeGivesTheLowestValue) {
    EXPECT_EQ(answerToInt32("2147483647"), 2147483647);
    EXPECT_EQ(answerToInt32("-2147483648"), -2147483648);
    EXPECT_EQ(answerToInt32("2147483648"), -2147483648);
    EXPECT_EQ(answerToInt32("-2147483649"), -2147483648);
    EXPECT_EQ(answerToInt32("1e300"), -2147483648);
    EXPECT_EQ(answerToInt32("1e999"), -2147483648);
}

TEST(NumericAnswer, AmpersandPrefixesGiveOtherBases) {
    EXPECT_EQ(answerToInt32("&H1F"), 31);
    EXPECT_EQ(answerToInt32("&h1fG"), 31);
    EXPECT_EQ(answerToInt32("&B101"), 5);
    EXPECT_EQ(answerToInt32("&b1012"), 5);
    EXPECT_EQ(answerToInt32("&O17"), 15);
    EXPECT_EQ(answerToInt32("&Q17"), 15);
    EXPECT_EQ(answerToInt32("&17"), 15);
    EXPECT_EQ(answerToInt32("&18"), 1);
    EXPECT_EQ(answerToInt32("&8"), 0);
    EXPECT_EQ(answerToInt32("&"), 0);
    EXPECT_EQ(answerToInt32("&X12"), 0);
    EXPECT_EQ(answerToInt32("  &H10"), 16);
}

TEST(NumericAnswer, ConfidenceLevelKeepsTheLow16Bits) {
    EXPECT_EQ(answerToInt16("95"), 95);
    EXPECT_EQ(answerToInt16("95.4"), 95);
    EXPECT_EQ(answerToInt16("97"), 97);
    EXPECT_EQ(answerToInt16("65631"), 95);  // 95 + 65536
    EXPECT_EQ(answerToInt16("32768"), -32768);
    EXPECT_EQ(answerToInt16("-1"), -1);
    EXPECT_EQ(answerToInt16("-65441"), 95);      // 95 - 65536
    EXPECT_EQ(answerToInt16("4294967391"), 95);  // 95 + 2^32
    EXPECT_EQ(answerToInt16("1e999"), 0);
}

}  // namespace
}  // namespace trellmark
