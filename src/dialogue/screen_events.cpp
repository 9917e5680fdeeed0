#include "dialogue/screen_events.hpp"

#include "analysis/file_set.hpp"
#include "analysis/set_comparison.hpp"
#include "analysis/set_statistics.hpp"
#include "report/run_lines.hpp"

namespace trellmark {

void ScreenEvents::fileStarted(const FileSet& set, std::size_t index) {
    // A finished line reaches the terminal within a paint interval, however
    // long the work after it, so this shows while the file is read.
    writeReadingLine(out_, set.paths[index]);
}

void ScreenEvents::fileNoted(const FileReading& file) {
    writeNoteLines(out_, file);
}

void ScreenEvents::setFinished(const SetStatistics& statistics, std::int16_t bitsPerSample) {
    writeSetSummary(out_, statistics, parameters_.analysisLength, bitsPerSample);
}

void ScreenEvents::comparisonStarted() {
    writeComparingLine(out_);
}

void ScreenEvents::comparisonFinished(const ComparisonResult& result, std::int16_t bitsPerSample) {
    writeComparisonSummary(out_, result, parameters_.analysisLength, bitsPerSample);
}

}  // namespace trellmark
