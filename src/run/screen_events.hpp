#pragma once
// The analysis as the dialogue shows it: a "Reading" line while each file is
// read, its note, the set summaries and the comparison's figures.

#include "analysis/analysis_events.hpp"
#include "analysis/analysis_parameters.hpp"
#include "run/console_target.hpp"

namespace trellmark {

class ScreenEvents : public AnalysisEvents {
  public:
    // Both must outlive this object.
    ScreenEvents(Console& console, const AnalysisParameters& parameters)
        : out_(console), parameters_(parameters) {}

    void fileStarted(const FileSet& set, std::size_t index) override;
    void fileNoted(const FileReading& file) override;
    void setFinished(const SetStatistics& statistics, const WaveInfo& lastFile) override;
    void comparisonStarted() override;
    void comparisonFinished(const ComparisonResult& result) override;

  private:
    ConsoleTarget out_;
    const AnalysisParameters& parameters_;  // the caller's
    std::int16_t bitsPerSample_ = 0;        // of the file read last, for the result lines
};

}  // namespace trellmark
