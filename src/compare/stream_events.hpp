#pragma once
// The analysis as a command-line run shows it: the screen's result lines on
// standard output, file notes as warnings on standard error, and a progress
// bar while the sets are read.

#include <cstdio>

#include "analysis/analysis_events.hpp"
#include "analysis/analysis_parameters.hpp"
#include "compare/progress_bar.hpp"
#include "report/plain_line_target.hpp"

namespace trellmark {

class StreamEvents : public AnalysisEvents {
  public:
    // `lines` is standard output, or null when the lines are not wanted;
    // `errors` standard error. All belong to the caller and must outlive this.
    StreamEvents(std::FILE* lines, std::FILE* errors, ProgressBar& progress,
                 const AnalysisParameters& parameters)
        : out_(lines), errors_(errors), progress_(progress), parameters_(parameters) {}

    void channelStarted(int channel, int channels) override;
    void setStarted(const FileSet& set) override;
    void fileStarted(const FileSet& set, std::size_t index) override;
    void fileNoted(const FileReading& file) override;
    void setFinished(const SetStatistics& statistics, std::int16_t bitsPerSample) override;
    void comparisonStarted() override;
    void comparisonFinished(const ComparisonResult& result, std::int16_t bitsPerSample) override;

    // Standard output could not take every line.
    bool linesFailed() const { return out_.failed(); }
    int linesError() const { return out_.failureError(); }
    // The target the result lines go to, for lines that follow the analysis.
    PlainLineTarget& lines() { return out_; }

  private:
    PlainLineTarget out_;
    std::FILE* errors_;
    ProgressBar& progress_;
    const AnalysisParameters& parameters_;
    // In a run over every channel, the channel being read, from 0; a note
    // then names it. -1 otherwise.
    int channel_ = -1;
};

// "trellmark: warning: PATH: NOTE" with control bytes of the path shown as
// "?", so that a file name cannot drive the terminal.
std::string fileWarning(const FileReading& file);

}  // namespace trellmark
