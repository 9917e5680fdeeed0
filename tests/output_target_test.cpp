#include "report/output_target.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace trellmark {
namespace {

// The bytes a sequence of items leaves in a file.
std::string fileBytes(const std::function<void(FileTarget&)>& write) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    {
        FileTarget target(file);
        write(target);
    }
    std::fclose(file);
    std::string bytes(buffer, size);
    std::free(buffer);
    return bytes;
}

TEST(FileTarget, TextGoesOutByteForByte) {
    const std::string bytes = fileBytes([](FileTarget& out) {
        out.text("a\tb\\c");
        out.text(std::string_view("\0\xff", 2));
        out.text("");
    });
    EXPECT_EQ(bytes, std::string("a\tb\\c\0\xff", 7));
}

TEST(FileTarget, LineEndIsCrLf) {
    const std::string bytes = fileBytes([](FileTarget& out) {
        out.text("abc");
        out.lineEnd();
        out.lineEnd();
        out.text("x");
        out.lineEnd();
    });
    EXPECT_EQ(bytes, "abc\r\n\r\nx\r\n");
}

TEST(OutputItems, NumberItemBringsItsOwnBlanks) {
    EXPECT_EQ(fileBytes([](FileTarget& out) {
                  out.text("n:");
                  writeNumber(out, 17, 15);
                  out.lineEnd();
              }),
              "n: 17 \r\n");
    EXPECT_EQ(fileBytes([](FileTarget& out) { writeNumber(out, -0.5L, 15); }), "-.5 ");
    EXPECT_EQ(fileBytes([](FileTarget& out) { writeNumber(out, 12345678, 7); }), " 1.234568E+7 ");
}

TEST(OutputItems, UnitPairHasNoBlankAfterBit) {
    EXPECT_EQ(fileBytes([](FileTarget& out) {
                  writeUnitPair(out, 2.75L, 16);
                  out.lineEnd();
              }),
              " 2.75 LSB, 16 bit\r\n");
    EXPECT_EQ(fileBytes([](FileTarget& out) { writeUnitPair(out, -0.062L, 24); }),
              "-.062 LSB, 24 bit");
    // The value keeps 15 digits, the bit depth 7.
    EXPECT_EQ(fileBytes([](FileTarget& out) { writeUnitPair(out, 1234567890123.5L, 16); }),
              " 1234567890123.5 LSB, 16 bit");
    EXPECT_EQ(fileBytes([](FileTarget& out) { writeUnitPair(out, 0, 0); }), " 0 LSB, 0 bit");
}

TEST(FileTarget, AShortFileKeepsWhatReachedItAndLaterItemsGoOn) {
    char buffer[16] = {};
    std::FILE* file = fmemopen(buffer, 8, "w");
    ASSERT_NE(file, nullptr);
    std::setvbuf(file, nullptr, _IONBF, 0);
    FileTarget out(file);
    out.text("abcdef");
    out.text("ghijkl");  // only part of it fits
    out.lineEnd();
    writeUnitPair(out, 1, 16);
    EXPECT_TRUE(out.failed());
    std::fclose(file);
    EXPECT_EQ(std::string(buffer, 7), "abcdefg");
}

TEST(FileTarget, WritingToAFullDeviceDoesNotStop) {
    std::FILE* file = std::fopen("/dev/full", "wb");
    if (file == nullptr) GTEST_SKIP() << "no /dev/full";
    std::setvbuf(file, nullptr, _IONBF, 0);
    FileTarget out(file);
    for (int i = 0; i < 100; ++i) {
        out.text("line");
        writeNumber(out, i, 15);
        out.lineEnd();
    }
    EXPECT_TRUE(std::ferror(file));
    EXPECT_TRUE(out.failed());
    std::fclose(file);
}

}  // namespace
}  // namespace trellmark
