#pragma once
// What a run tells its front end while it runs: the dialogue shows these on
// its screen, a command-line run on standard output and standard error.

#include <cstddef>
#include <cstdint>

namespace trellmark {

struct FileSet;
struct FileReading;
struct SetStatistics;
struct ComparisonResult;

// Every call has a default that does nothing, so a front end handles only what
// it shows. References passed in are valid only during the call.
class AnalysisEvents {
  public:
    virtual ~AnalysisEvents() = default;
    // A run over every channel begins channel `channel` (from 0) of `channels`;
    // each is read and compared as a run of its own.
    virtual void channelStarted(int /*channel*/, int /*channels*/) {}
    // A set's files are about to be read.
    virtual void setStarted(const FileSet& /*set*/) {}
    // File `index` (from 0) of the set is about to be read: a front end shows
    // this before the reading, which can take a while.
    virtual void fileStarted(const FileSet& /*set*/, std::size_t /*index*/) {}
    // The file just read is suspect (its note is not FileNote::none).
    virtual void fileNoted(const FileReading& /*file*/) {}
    // Every file of the set is in; its figures are in LSB of `bitsPerSample`.
    virtual void setFinished(const SetStatistics& /*statistics*/, std::int16_t /*bitsPerSample*/) {}
    virtual void comparisonStarted() {}
    virtual void comparisonFinished(const ComparisonResult& /*result*/,
                                    std::int16_t /*bitsPerSample*/) {}
};

}  // namespace trellmark
