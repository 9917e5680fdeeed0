#include "report/analysis_report.hpp"

#include <cstdio>
#include <string>
#include <string_view>

#include "io/output_stream.hpp"
#include "report/null_lines.hpp"
#include "report/number_text.hpp"
#include "report/output_target.hpp"
#include "report/spectrum_lines.hpp"
#include "report/verdict_lines.hpp"
#include "text/utf8.hpp"

namespace trellmark {
namespace {

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

void writeLine(OutputTarget& out, std::string_view text) {
    out.text(text);
    out.lineEnd();
}

void writeFileList(OutputTarget& out, std::string_view heading, const FileSet& set) {
    writeLine(out, heading);
    out.lineEnd();
    for (int i = 0; i < set.count && i < static_cast<int>(set.paths.size()); ++i) {
        out.text("   ");
        // A newline or an escape sequence in a name would break the report's
        // lines or act on the terminal that shows it.
        writeLine(out, printableText(set.paths[i]));
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
    writeNumber(out, parameters.startOffset, digits32);
    writeLine(out, "samples");
    out.text(lengthLabel);
    writeNumber(out, parameters.analysisLength, digits32);
    writeLine(out, "samples");
    out.text(confidenceLabel);
    writeNumber(out, parameters.confidenceLevel.typed, digits16);
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

void writeResults(OutputTarget& out, const RunResults& in, std::string_view heading = "RESULTS:") {
    // The averages divide by the whole analysis length in extended precision,
    // the precision the figures are rounded and printed in; a length of 0
    // gives 0/0, which prints as 0.
    const long double length = in.parameters.analysisLength;
    const std::int16_t bits = figureBitsOf(in);
    writeLine(out, heading);
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
    // The report of an aligned and scaled run keeps the layout the dialogue's
    // has always had; a render's run adds its null test.
    if (!in.parameters.alignOnImpulse || !in.parameters.scaleToLevel) {
        out.lineEnd();
        writeNullLine(out, in.null);
    }
}

// A section of lines with their figures at the results' column.
void writeSection(OutputTarget& out, const char* title, const std::vector<VerdictLine>& lines) {
    out.lineEnd();
    out.lineEnd();
    writeLine(out, title);
    out.lineEnd();
    for (const VerdictLine& line : lines) {
        out.text(line.label);
        if (!line.figure.empty()) {
            const std::size_t width = significantLabel.size();
            if (line.label.size() < width) out.text(std::string(width - line.label.size(), ' '));
            out.text(line.figure);
        }
        out.lineEnd();
    }
}

// Both file lists and the parameters: what every report begins with.
void writeHead(OutputTarget& out, const RunResults& run) {
    writeFileList(out, "REFERENCE FILES:", run.referenceFiles);
    writeFileList(out, "COMPARISON FILES:", run.comparisonFiles);
    writeParameters(out, run.parameters);
}

}  // namespace

WriteResult writeAnalysisReport(const std::string& fileName, const RunResults& run,
                                const Verdict* verdict, const SpectrumResult* spectrum) {
    return writeThroughStream(
        fileName, recordingsRead(run), [&run, verdict, spectrum](std::FILE* stream) {
            FileTarget out(stream);
            writeHead(out, run);
            writeResults(out, run);
            const ConfidenceLevel confidence = run.parameters.confidenceLevel;
            if (verdict != nullptr) {
                writeSection(out, "VERDICT:", verdictLines(*verdict, confidence));
            }
            if (verdict != nullptr && spectrum != nullptr) {
                writeSection(out, "SPECTRUM:", spectrumLines(*spectrum, *verdict, confidence));
            }
            return !out.failed();
        });
}

WriteResult writeChannelsReport(const std::string& fileName, std::span<const ChannelRun> channels,
                                const Verdict* across) {
    const RunResults& first = channels.front().run;
    return writeThroughStream(
        fileName, recordingsRead(first), [&first, channels, across](std::FILE* stream) {
            FileTarget out(stream);
            writeHead(out, first);
            const std::string of = " OF " + std::to_string(channels.size()) + ":";
            for (const ChannelRun& channel : channels) {
                if (&channel != &channels.front()) {
                    out.lineEnd();
                    out.lineEnd();
                }
                writeResults(
                    out, channel.run,
                    "RESULTS, CHANNEL " + std::to_string(channel.run.parameters.channel + 1) + of);
            }
            const ConfidenceLevel confidence = first.parameters.confidenceLevel;
            if (across != nullptr) {
                writeSection(out, "VERDICT:", channelVerdictLines(channels, *across, confidence));
            }
            return !out.failed();
        });
}

}  // namespace trellmark
