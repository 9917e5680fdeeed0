#include "compare/stream_events.hpp"

#include "analysis/file_set.hpp"
#include "analysis/set_comparison.hpp"
#include "analysis/set_statistics.hpp"
#include "report/run_lines.hpp"
#include "text/utf8.hpp"

namespace trellmark {
std::string fileWarning(const FileReading& file) {
    return "trellmark: warning: " + printableText(file.path) + ": " + fileNoteSentences(file);
}

void StreamEvents::channelStarted(int channel, int channels) {
    progress_.hide();
    channel_ = channel;
    out_.text("   Channel " + std::to_string(channel + 1) + " of " + std::to_string(channels));
    out_.lineEnd();
    out_.lineEnd();
}

void StreamEvents::setStarted(const FileSet& set) {
    progress_.hide();
    writeFileCountLine(out_, set.count);
}

void StreamEvents::fileStarted(const FileSet& set, std::size_t index) {
    progress_.hide();
    writeReadingLine(out_, set.paths[index]);
    progress_.show(index, static_cast<std::size_t>(set.count), set.paths[index]);
}

void StreamEvents::fileNoted(const FileReading& file) {
    progress_.hide();
    const std::string where =
        channel_ < 0 ? std::string() : " (channel " + std::to_string(channel_ + 1) + ")";
    std::fprintf(errors_, "%s%s\n", fileWarning(file).c_str(), where.c_str());
    std::fflush(errors_);
    progress_.restore();
}

void StreamEvents::setFinished(const SetStatistics& statistics, std::int16_t bitsPerSample) {
    progress_.hide();
    writeSetSummary(out_, statistics, parameters_.analysisLength, bitsPerSample);
}

void StreamEvents::comparisonStarted() {
    progress_.stop();
    writeComparingLine(out_);
}

void StreamEvents::comparisonFinished(const ComparisonResult& result, std::int16_t bitsPerSample) {
    writeComparisonSummary(out_, result, parameters_.analysisLength, bitsPerSample);
}

}  // namespace trellmark
