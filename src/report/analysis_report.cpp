#include "report/analysis_report.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string_view>

#include "report/number_text.hpp"
#include "report/output_target.hpp"

namespace trellmark {
namespace {

// Only the first 255 characters of the typed name are used.
constexpr std::size_t maxFileNameLength = 255;

// Labels carry their own trailing blanks so that every figure's sign position
// lines up: column 25 for the parameters, column 74 for the results.
constexpr std::string_view thresholdLabel = "   Impulse threshold     ";
constexpr std::string_view offsetLabel = "   Begin analysis after  ";
constexpr std::string_view lengthLabel = "   Analyse over          ";
constexpr std::string_view confidenceLabel = "   Confidence level      ";

constexpr std::string_view referenceLargestLabel =
    "   Largest single sample standard deviation within the reference files:   ";
constexpr std::string_view referenceAverageLabel =
    "   Average per sample standard deviation within the reference files:      ";
constexpr std::string_view comparisonLargestLabel =
    "   Largest single sample standard deviation within the comparison files:  ";
constexpr std::string_view comparisonAverageLabel =
    "   Average per sample standard deviation within the comparison files:     ";
constexpr std::string_view significantLabel =
    "   Number of statistically significant sample differences:                ";
constexpr std::string_view largestDifferenceLabel =
    "   Largest single sample difference:                                      ";
constexpr std::string_view averageDifferenceLabel =
    "   Average per sample difference:                                         ";
constexpr std::string_view accumulatedLabel =
    "   Accumulated difference:                                                ";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The first 255 characters of a typed name; a UTF-8 sequence is one character
// and is never cut in two.
std::string usedName(const std::string& typed) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(typed[i]) & 0xC0) == 0x80;
        if (!continuation && ++characters > maxFileNameLength) return typed.substr(0, i);
    }
    return typed;
}

// Creates the file or empties it, so an earlier, longer report of that name
// leaves nothing behind. A name with a wildcard is never a file name the user
// meant. Opening does not wait: a pipe with no reader must not stall the run.
std::FILE* openReport(const std::string& name) {
    if (name.find_first_of("*?") != std::string::npos) return nullptr;
    const int fd =
        ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) ::close(fd);
    return file;
}

void writeLine(OutputTarget& out, std::string_view text) {
    out.text(text);
    out.lineEnd();
}

void writeFileList(OutputTarget& out, std::string_view heading, const FileSet& set) {
    writeLine(out, heading);
    out.lineEnd();
    for (int i = 0; i < set.count && i < static_cast<int>(set.paths.size()); ++i) {
        out.text("   ");
        writeLine(out, set.paths[i]);
    }
    out.lineEnd();
    out.lineEnd();
}

void writeParameters(OutputTarget& out, const AnalysisParameters& parameters) {
    writeLine(out, "ANALYSIS PARAMETERS:");
    out.lineEnd();
    out.text(thresholdLabel);
    writeNumber(out, parameters.impulseThreshold, digits32);
    out.lineEnd();
    out.text(offsetLabel);
    writeNumber(out, parameters.startOffset, digits16);
    writeLine(out, "samples");
    out.text(lengthLabel);
    writeNumber(out, parameters.analysisLength, digits32);
    writeLine(out, "samples");
    out.text(confidenceLabel);
    writeNumber(out, parameters.confidenceLevel, digits16);
    writeLine(out, "per cent");
    out.lineEnd();
    out.lineEnd();
}

void writeUnitLine(OutputTarget& out, std::string_view label, long double value, int decimals,
                   std::int16_t bitsPerSample) {
    out.text(label);
    writeUnitPair(out, roundDecimals(value, decimals), bitsPerSample);
    out.lineEnd();
}

void writeResults(OutputTarget& out, const ReportInputs& in) {
    // The averages divide by the whole analysis length in extended precision,
    // the precision the figures are rounded and printed in; a length of 0
    // gives 0/0, which prints as 0.
    const long double length = in.parameters.analysisLength;
    const std::int16_t bits = in.bitsPerSample;
    writeLine(out, "RESULTS:");
    out.lineEnd();
    writeUnitLine(out, referenceLargestLabel, in.referenceStatistics.largestStdDev, 3, bits);
    writeUnitLine(out, referenceAverageLabel,
                  static_cast<long double>(in.referenceStatistics.stdDevSum) / length, 3, bits);
    out.lineEnd();
    writeUnitLine(out, comparisonLargestLabel, in.comparisonStatistics.largestStdDev, 3, bits);
    writeUnitLine(out, comparisonAverageLabel,
                  static_cast<long double>(in.comparisonStatistics.stdDevSum) / length, 3, bits);
    out.lineEnd();
    out.text(significantLabel);
    writeNumber(out, in.result.significantCount, digits32);
    out.lineEnd();
    writeUnitLine(out, largestDifferenceLabel, in.result.largestDifference, 2, bits);
    writeUnitLine(out, averageDifferenceLabel,
                  static_cast<long double>(in.result.accumulatedDifference) / length, 2, bits);
    writeUnitLine(out, accumulatedLabel, in.result.accumulatedDifference, 2, bits);
}

}  // namespace

void writeAnalysisReport(const std::string& fileName, const ReportInputs& inputs) {
    if (fileName.empty()) return;
    std::unique_ptr<std::FILE, FileCloser> file(openReport(usedName(fileName)));
    if (!file) return;
    FileTarget out(file.get());
    writeFileList(out, "REFERENCE FILES:", inputs.referenceSet);
    writeFileList(out, "COMPARISON FILES:", inputs.comparisonSet);
    writeParameters(out, inputs.parameters);
    writeResults(out, inputs);
}

}  // namespace trellmark
