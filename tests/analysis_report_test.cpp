#include "report/analysis_report.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/deep_path.hpp"
#include "support/scratch_directory.hpp"
#include "support/whole_file.hpp"

namespace trellmark {
namespace {

namespace fs = std::filesystem;

class AnalysisReport : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        dir = scratch.path();
        reference = fileSet("/data/ref", {"a1.wav", "a2.wav"});
        comparison = fileSet("/data/cmp", {"b1.wav", "b2.wav", "b3.wav"});
        parameters.impulseThreshold = 500;
        parameters.startOffset = 17640;
        parameters.analysisLength = 100;
        parameters.confidenceLevel = 95;
        referenceStatistics.largestStdDev = 0.0625;
        referenceStatistics.stdDevSum = 12.5;
        comparisonStatistics.largestStdDev = 2.5;
        comparisonStatistics.stdDevSum = 40.04;
        result.significantCount = 17;
        result.largestDifference = 2.675;
        result.accumulatedDifference = 12.5;
    }

    static FileSet fileSet(const std::string& directory, const std::vector<std::string>& names) {
        FileSet set;
        set.directory = directory;
        set.count = static_cast<std::int16_t>(names.size());
        set.names = names;
        for (const std::string& name : names) set.paths.push_back(directory + "/" + name);
        return set;
    }

    RunResults inputs() const {
        RunResults run;
        run.parameters = parameters;
        run.referenceFiles = reference;
        run.comparisonFiles = comparison;
        run.referenceStatistics = referenceStatistics;
        run.comparisonStatistics = comparisonStatistics;
        run.result = result;
        run.scaleFile.bitsPerSample = bits;
        run.scaleFile.kind = SampleKind::integer;
        return run;
    }

    std::string write(const std::string& name = "report.txt") const {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(writeAnalysisReport(path, inputs()).written);
        return read(path);
    }

    static std::string read(const std::string& path) { return testing::readWholeFile(path); }

    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename());
        return names;
    }

    testing::ScratchDirectory scratch;
    std::string dir;
    FileSet reference;
    FileSet comparison;
    SetStatistics referenceStatistics;
    SetStatistics comparisonStatistics;
    AnalysisParameters parameters;
    ComparisonResult result;
    std::int16_t bits = 24;
};

const std::string parameterLines =
    "ANALYSIS PARAMETERS:\r\n"
    "\r\n"
    "   Impulse threshold      500 \r\n"
    "   Begin analysis after   17640 samples\r\n"
    "   Analyse over           100 samples\r\n"
    "   Confidence level       95 per cent\r\n"
    "\r\n"
    "\r\n";

const std::string resultLines =
    "RESULTS:\r\n"
    "\r\n"
    "   Largest single sample standard deviation within the reference files:    .062 LSB, 24 "
    "bit\r\n"
    "   Average per sample standard deviation within the reference files:       .125 LSB, 24 "
    "bit\r\n"
    "\r\n"
    "   Largest single sample standard deviation within the comparison files:   2.5 LSB, 24 "
    "bit\r\n"
    "   Average per sample standard deviation within the comparison files:      .4 LSB, 24 "
    "bit\r\n"
    "\r\n"
    "   Number of statistically significant sample differences:                 17 \r\n"
    "   Largest single sample difference:                                       2.67 LSB, 24 "
    "bit\r\n"
    "   Average per sample difference:                                          .12 LSB, 24 "
    "bit\r\n"
    "   Accumulated difference:                                                 12.5 LSB, 24 "
    "bit\r\n";

TEST_F(AnalysisReport, WholeFileByteForByte) {
    const std::string expected =
        "REFERENCE FILES:\r\n"
        "\r\n"
        "   /data/ref/a1.wav\r\n"
        "   /data/ref/a2.wav\r\n"
        "\r\n"
        "\r\n"
        "COMPARISON FILES:\r\n"
        "\r\n"
        "   /data/cmp/b1.wav\r\n"
        "   /data/cmp/b2.wav\r\n"
        "   /data/cmp/b3.wav\r\n"
        "\r\n"
        "\r\n" +
        parameterLines + resultLines;
    const std::string report = write();
    EXPECT_EQ(report, expected);
}

// Splits at CR LF; the report must end with one and hold no other line breaks.
std::vector<std::string> lines(const std::string& report) {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t end; (end = report.find("\r\n", start)) != std::string::npos; start = end + 2)
        result.push_back(report.substr(start, end - start));
    EXPECT_EQ(start, report.size()) << "text after the last line end";
    return result;
}

TEST_F(AnalysisReport, LineCountAndFigureColumns) {
    const std::vector<std::string> rows = lines(write());
    ASSERT_EQ(rows.size(), 2u + 3u + 28u);
    for (const std::string& row : rows) {
        EXPECT_EQ(row.find('\r'), std::string::npos);
        EXPECT_EQ(row.find('\n'), std::string::npos);
    }
    // Parameters: sign position at column 25, first digit at 26.
    for (std::size_t i = 15; i <= 18; ++i) {
        EXPECT_EQ(rows[i].substr(24, 2), "  ") << i;
        EXPECT_NE(rows[i][26], ' ') << i;
    }
    // Results: sign position at column 74, first digit (or point) at 75.
    for (std::size_t i : {23u, 24u, 26u, 27u, 29u, 30u, 31u, 32u}) {
        EXPECT_EQ(rows[i][74], ' ') << i;
        EXPECT_NE(rows[i][75], ' ') << i;
        EXPECT_EQ(rows[i].find_last_not_of(' ', 73), rows[i].find(':')) << i;
    }
}

TEST_F(AnalysisReport, OnlyNumberEndedLinesEndWithABlank) {
    const std::vector<std::string> rows = lines(write());
    EXPECT_EQ(rows[15], "   Impulse threshold      500 ");
    EXPECT_EQ(rows[29].back(), ' ');  // the significant count
    for (std::size_t i : {16u, 17u, 18u, 23u, 24u, 26u, 27u, 30u, 31u, 32u})
        EXPECT_NE(rows[i].back(), ' ') << rows[i];
    EXPECT_EQ(rows[16].substr(rows[16].size() - 8), " samples");
    EXPECT_EQ(rows[18].substr(rows[18].size() - 9), " per cent");
    EXPECT_EQ(rows[32].substr(rows[32].size() - 4), " bit");
}

TEST_F(AnalysisReport, SetsWithoutFiles) {
    reference = fileSet("/data/ref", {});
    comparison = fileSet("", {});
    const std::string expected =
        "REFERENCE FILES:\r\n"
        "\r\n"
        "\r\n"
        "\r\n"
        "COMPARISON FILES:\r\n"
        "\r\n"
        "\r\n"
        "\r\n" +
        parameterLines + resultLines;
    EXPECT_EQ(write(), expected);
}

TEST_F(AnalysisReport, PathsAreWrittenAsHeld) {
    // A directory typed with a trailing "/" keeps both separators; an empty
    // directory answer searched "/"; names go out as their bytes.
    reference = fileSet("/data/ref/", {"x.wav"});
    comparison = fileSet("", {"Gr\xc3\xbc\xc3\x9f\x65 1.WAV"});
    const std::string report = write();
    const std::string head =
        "REFERENCE FILES:\r\n"
        "\r\n"
        "   /data/ref//x.wav\r\n"
        "\r\n"
        "\r\n"
        "COMPARISON FILES:\r\n";
    EXPECT_EQ(report.substr(0, head.size()), head);
    EXPECT_NE(report.find("COMPARISON FILES:\r\n\r\n   /Gr\xc3\xbc\xc3\x9f\x65 1.WAV\r\n\r\n\r\n"
                          "ANALYSIS PARAMETERS:"),
              std::string::npos);
}

TEST_F(AnalysisReport, ConfidenceLevelShownAsStored) {
    parameters.confidenceLevel = 97;
    EXPECT_NE(write().find("\r\n   Confidence level       97 per cent\r\n"), std::string::npos);
    parameters.confidenceLevel = -1;
    EXPECT_NE(write().find("\r\n   Confidence level      -1 per cent\r\n"), std::string::npos);
}

TEST_F(AnalysisReport, NoSignificantSampleAndZeroLength) {
    result = ComparisonResult{};
    parameters.analysisLength = 0;
    referenceStatistics.stdDevSum = 0;
    comparisonStatistics.stdDevSum = 0;
    bits = 16;
    const std::vector<std::string> rows = lines(write());
    ASSERT_EQ(rows.size(), 33u);
    EXPECT_EQ(rows[17], "   Analyse over           0 samples");
    EXPECT_EQ(rows[24].substr(74), " 0 LSB, 16 bit");  // 0/0
    EXPECT_EQ(rows[27].substr(74), " 0 LSB, 16 bit");
    EXPECT_EQ(rows[29].substr(74), " 0 ");
    EXPECT_EQ(rows[30].substr(74), " 0 LSB, 16 bit");
    EXPECT_EQ(rows[31].substr(74), " 0 LSB, 16 bit");
    EXPECT_EQ(rows[32].substr(74), " 0 LSB, 16 bit");
}

TEST_F(AnalysisReport, AveragesDivideByTheWholeLength) {
    parameters.analysisLength = 8;
    result.accumulatedDifference = 1;       // 0.125 -> .12
    referenceStatistics.stdDevSum = 0.003;  // 0.000375 -> 0
    // The double 0.02 lies a little above 0.02, so 0.02 / 8 is
    // 0.00250000000000000005... and lies above the half: .003, not .002.
    comparisonStatistics.stdDevSum = 0.02;
    const std::vector<std::string> rows = lines(write());
    EXPECT_EQ(rows[31].substr(74), " .12 LSB, 24 bit");
    EXPECT_EQ(rows[24].substr(74), " 0 LSB, 24 bit");
    EXPECT_EQ(rows[27].substr(74), " .003 LSB, 24 bit");
}

TEST_F(AnalysisReport, ReplacesALongerFileCompletely) {
    const std::string path = dir + "/report.txt";
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(10000, 'x');
    }
    reference = fileSet("/r", {});
    comparison = fileSet("/c", {});
    const std::string report = write();
    // Two headings of 18 and 19 bytes, each followed by three empty lines.
    EXPECT_EQ(report.size(), 49 + parameterLines.size() + resultLines.size());
    EXPECT_EQ(report.find('x'), std::string::npos);
    EXPECT_EQ(report.substr(0, 18), "REFERENCE FILES:\r\n");
}

TEST_F(AnalysisReport, EmptyNameCreatesNothing) {
    const fs::path before = fs::current_path();
    fs::current_path(dir);
    EXPECT_FALSE(writeAnalysisReport("", inputs()).written);
    fs::current_path(before);
    EXPECT_TRUE(entries().empty());
}

TEST_F(AnalysisReport, UnopenableNamesAreSkippedQuietly) {
    EXPECT_FALSE(writeAnalysisReport(dir + "/missing/report.txt", inputs()).written);
    EXPECT_FALSE(writeAnalysisReport(dir + "/re*port.txt", inputs()).written);
    EXPECT_FALSE(writeAnalysisReport(dir + "/re?port.txt", inputs()).written);
    EXPECT_FALSE(writeAnalysisReport(dir, inputs()).written);  // a directory
    EXPECT_TRUE(entries().empty());
}

TEST_F(AnalysisReport, PipeWithoutReaderDoesNotHang) {
    const std::string pipe = dir + "/pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(writeAnalysisReport(pipe, inputs()).written);
    EXPECT_EQ(entries(), std::vector<std::string>{"pipe"});
}

TEST_F(AnalysisReport, AFullDeviceIsAFailedWrite) {
    EXPECT_FALSE(writeAnalysisReport("/dev/full", inputs()).written);
    EXPECT_TRUE(writeAnalysisReport("/dev/null", inputs()).written);
}

TEST_F(AnalysisReport, APathLongerThan255CharactersIsWrittenWhole) {
    const testing::DeepPath deep = testing::makeDeepPath(dir, "report.txt");
    ASSERT_GT(deep.path.size(), 500u);
    writeAnalysisReport(deep.path, inputs());
    EXPECT_EQ(read(deep.path).substr(0, 18), "REFERENCE FILES:\r\n");
    EXPECT_FALSE(fs::exists(deep.decoy));
}

TEST_F(AnalysisReport, AFileWhoseNameHasAWildcardIsLeftAsItIs) {
    for (const std::string name : {"old*.txt", "old?.txt"}) {
        SCOPED_TRACE(name);
        std::ofstream(dir + "/" + name, std::ios::binary) << "earlier";
        writeAnalysisReport(dir + "/" + name, inputs());
        EXPECT_EQ(read(dir + "/" + name), "earlier");
    }
}

}  // namespace
}  // namespace trellmark
