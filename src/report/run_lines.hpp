#pragma once
// The lines a run shows as it goes, on the screen or on standard output: the
// file count of a set, a line per file read, notes, the set summaries and the
// comparison's figures. Figures stand at column 70 (their sign position).

#include <cstdint>
#include <string_view>

#include "analysis/set_comparison.hpp"
#include "analysis/set_statistics.hpp"
#include "report/output_target.hpp"

namespace trellmark {

// "   There are N .wav files matching this description" and two line ends.
void writeFileCountLine(LineTarget& out, std::int16_t count);

// "   Reading " + path and a line end.
void writeReadingLine(LineTarget& out, std::string_view path);

// The note's text, beginning with three blanks; empty for FileNote::none.
std::string_view noteText(FileNote note);

// The note as a sentence, without the three blanks that indent it on screen.
std::string_view noteSentence(FileNote note);

// The note in label style and a line end; nothing for FileNote::none.
void writeNoteLine(LineTarget& out, FileNote note);

// Everything said of a file in sentences: its note and, for a reference take
// with no level read before any that has one, that the takes are not scaled
// to it (which levelZero's own sentence already says). Empty for a file
// without a note.
std::string fileNoteSentences(const FileReading& file);

// The note's line and, where it applies, the line that the takes are not
// scaled to the file.
void writeNoteLines(LineTarget& out, const FileReading& file);

// A blank row, the largest and the average per sample standard deviation, and
// two more blank rows.
void writeSetSummary(LineTarget& out, const SetStatistics& statistics, std::int32_t analysisLength,
                     std::int16_t bitsPerSample);

// "   Comparing data..." and a blank row.
void writeComparingLine(LineTarget& out);

// The four result lines, then two blank rows.
void writeComparisonSummary(LineTarget& out, const ComparisonResult& result,
                            std::int32_t analysisLength, std::int16_t bitsPerSample);

}  // namespace trellmark
