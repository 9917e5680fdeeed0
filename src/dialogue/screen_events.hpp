#pragma once
// The analysis as the dialogue shows it: a "Reading" line while each file is
// read, its note, the set summaries and the comparison's figures.

#include "analysis/analysis_events.hpp"
#include "analysis/analysis_parameters.hpp"
#include "dialogue/console_target.hpp"

namespace trellmark {

class ScreenEvents : public AnalysisEvents {
  public:
    // Both must outlive this object.
    ScreenEvents(Console& console, const AnalysisParameters& parameters)
        : out_(console), parameters_(parameters) {}

    void fileStarted(const FileSet& set, std::size_t index) override;
    void fileNoted(const FileReading& file) override;
    void setFinished(const SetStatistics& statistics, std::int16_t bitsPerSample) override;
    void comparisonStarted() override;
    void comparisonFinished(const ComparisonResult& result, std::int16_t bitsPerSample) override;

  private:
    ConsoleTarget out_;
    const AnalysisParameters& parameters_;  // the caller's
};

}  // namespace trellmark
