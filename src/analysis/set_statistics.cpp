#include "analysis/set_statistics.hpp"

#include <algorithm>
#include <span>

#include "analysis/take_prefetch.hpp"
#include "analysis/window_accumulator.hpp"

namespace trellmark {

SetStatistics computeSetStatistics(const FileSet& set, const AnalysisParameters& parameters,
                                   std::optional<double> referenceLevel, WaveInfo& lastFile,
                                   AnalysisEvents& events) {
    const std::size_t listed = set.count > 0 ? static_cast<std::size_t>(set.count) : 0;
    const std::size_t files = std::min(listed, set.paths.size());
    const std::int32_t length = parameters.analysisLength;
    events.setStarted(set);

    SetStatistics statistics;
    statistics.fileCount = static_cast<std::int16_t>(files);
    statistics.levels.reserve(files);
    statistics.files.reserve(files);
    WindowAccumulator accumulator = startAccumulation(statistics.fileCount, length);
    {
        // Each file is announced before it is read; the next is announced and
        // searched while the window of this one is loaded and folded in.
        TakePrefetch takes(std::span(set.paths).first(files), parameters);
        if (files > 0) {
            events.fileStarted(set, 0);
            takes.startReading(0);
        }
        for (std::size_t i = 0; i < files; ++i) {
            TakeReading& take = takes.take(i);
            lastFile = take.header;
            statistics.levels.push_back(take.level);
            // The reference set scales to its own first file.
            if (!referenceLevel) referenceLevel = take.level;

            FileReading& reading = statistics.files.emplace_back();
            reading.path = set.paths[i];
            reading.header = take.header;
            reading.fileSize = take.held.file.fileSize;
            if (take.impulseFound) reading.impulse = take.impulsePosition;
            reading.note = take.note;
            if (reading.note != FileNote::none) events.fileNoted(reading);

            if (i + 1 < files) {
                events.fileStarted(set, i + 1);
                takes.startReading(i + 1);
            }
            loadWindow(take, parameters);
            addWindow(accumulator, take.window, take.level, *referenceLevel);
        }
    }
    finishAccumulation(accumulator, statistics);
    events.setFinished(statistics, lastFile);
    return statistics;
}

double referenceLevelOf(const SetStatistics& reference) {
    // Without a reference file every comparison file scales to silence.
    return reference.levels.empty() ? 0.0 : reference.levels.front();
}

}  // namespace trellmark
