#include "report/run_lines.hpp"

#include <algorithm>
#include <string>

#include "report/number_text.hpp"

namespace trellmark {
namespace {

// The label in label style, the zone advances that bring the figure to column
// 70, and value style for the figure that follows.
void writeLabel(LineTarget& out, std::string_view label, int zones) {
    out.style(TextStyle::label);
    out.text(label);
    for (int i = 0; i < zones; ++i) out.zone();
    out.style(TextStyle::value);
}

// A figure in LSB, rounded to `decimals` places, with its unit pair.
void writeFigureLine(LineTarget& out, std::string_view label, int zones, long double value,
                     int decimals, std::int16_t bitsPerSample) {
    writeLabel(out, label, zones);
    writeUnitPair(out, roundDecimals(value, decimals), bitsPerSample);
    out.lineEnd();
}

// Averages divide by the whole analysis length in extended precision, the
// precision figures are rounded and printed in; a length of 0 gives 0 / 0,
// which prints as 0.
long double averageOver(double sum, std::int32_t analysisLength) {
    return static_cast<long double>(sum) / analysisLength;
}

}  // namespace

void writeFileCountLine(LineTarget& out, std::int16_t count) {
    out.text("   There are");
    writeNumber(out, count, digits16);
    out.text(".wav files matching this description");
    out.lineEnd();
    out.lineEnd();
}

void writeReadingLine(LineTarget& out, std::string_view path) {
    out.text("   Reading ");
    out.text(path);
    out.lineEnd();
}

std::string_view noteText(FileNote note) {
    switch (note) {
        case FileNote::cannotOpen:
            return "   This file cannot be opened; it is taken as silence.";
        case FileNote::shorterThanHeader:
            return "   This file is shorter than a wave header; it is taken as silence.";
        case FileNote::noImpulse:
            return "   No sample in this file is above the impulse threshold.";
        case FileNote::endsEarly:
            return "   This file ends before its level or analysis window does; the missing "
                   "samples are taken as 0.";
        case FileNote::unsupportedFormat:
            return "   This file is in no format that can be read; it is taken as silence.";
        case FileNote::noFormatChunk:
            return "   This file has no format chunk; it is taken as silence.";
        case FileNote::noDataChunk:
            return "   This file has no data chunk; it is taken as silence.";
        case FileNote::zeroChannels:
            return "   This file's format has no channel; it is taken as silence.";
        case FileNote::missingChannel:
            return "   This file has not the channel asked for; it is taken as silence.";
        case FileNote::chunkCut:
            return "   A chunk of this file runs past its end; the file is read as far as it goes.";
        case FileNote::dataBeforeFormat:
            return "   This file's data chunk comes before its format chunk.";
        case FileNote::floatNotANumber:
            return "   This float file holds a value that is not a number (NaN); it is unusable.";
        case FileNote::floatInfinite:
            return "   This float file holds an infinite value; it is unusable.";
        case FileNote::floatBeyondRange:
            return "   This float file holds a value beyond 256 times full scale; it is unusable.";
        case FileNote::rateDiffers:
            return "   This file's sample rate differs from the first reference file's.";
        case FileNote::channelsDiffer:
            return "   This file's channel count differs from the first reference file's.";
        case FileNote::levelZero:
            return "   This file's level is 0; it is taken as silence and sets no scale.";
        case FileNote::multiChannel:
            return "   This file has more than one channel; channel 1 is analysed.";
        case FileNote::none:
            break;
    }
    return {};
}

std::string_view noteSentence(FileNote note) {
    std::string_view text = noteText(note);
    text.remove_prefix(std::min<std::size_t>(3, text.size()));
    return text;
}

namespace {

constexpr std::string_view noScaleText = "   Its level is 0, so the takes are not scaled to it.";

bool saysNoScale(const FileReading& file) {
    return file.setsNoScale && file.note != FileNote::none && file.note != FileNote::levelZero;
}

}  // namespace

std::string fileNoteSentences(const FileReading& file) {
    std::string sentences(noteSentence(file.note));
    if (saysNoScale(file)) sentences += std::string(noScaleText.substr(2));
    return sentences;
}

void writeNoteLines(LineTarget& out, const FileReading& file) {
    writeNoteLine(out, file.note);
    if (!saysNoScale(file)) return;
    out.style(TextStyle::label);
    out.text(noScaleText);
    out.lineEnd();
}

void writeNoteLine(LineTarget& out, FileNote note) {
    if (note == FileNote::none) return;
    out.style(TextStyle::label);
    out.text(noteText(note));
    out.lineEnd();
}

void writeSetSummary(LineTarget& out, const SetStatistics& statistics, std::int32_t analysisLength,
                     std::int16_t bitsPerSample) {
    out.lineEnd();
    writeFigureLine(out, "   The largest single sample standard deviation within these files is", 1,
                    statistics.largestStdDev, 3, bitsPerSample);
    writeFigureLine(out, "   The average per sample standard deviation within these files is", 1,
                    averageOver(statistics.stdDevSum, analysisLength), 3, bitsPerSample);
    out.style(TextStyle::label);
    out.lineEnd();
    out.lineEnd();
}

void writeComparingLine(LineTarget& out) {
    out.text("   Comparing data...");
    out.lineEnd();
    out.lineEnd();
}

void writeComparisonSummary(LineTarget& out, const ComparisonResult& result,
                            std::int32_t analysisLength, std::int16_t bitsPerSample) {
    writeLabel(out, "   Number of statistically significant sample differences:", 1);
    writeNumber(out, result.significantCount, digits32);
    out.lineEnd();
    writeFigureLine(out, "   Largest single sample difference:", 3, result.largestDifference, 2,
                    bitsPerSample);
    writeFigureLine(out, "   Average per sample difference:", 3,
                    averageOver(result.accumulatedDifference, analysisLength), 2, bitsPerSample);
    writeFigureLine(out, "   Accumulated difference:", 4, result.accumulatedDifference, 2,
                    bitsPerSample);
    out.style(TextStyle::label);
    out.lineEnd();
    out.lineEnd();
}

}  // namespace trellmark
