#include "analysis/set_statistics.hpp"

#include <algorithm>

#include "analysis/fold_worker.hpp"
#include "analysis/take_reading.hpp"
#include "analysis/window_accumulator.hpp"

namespace trellmark {

SetStatistics computeSetStatistics(const FileSet& set, const AnalysisParameters& parameters,
                                   std::optional<double> referenceLevel, AnalysisEvents& events,
                                   std::vector<std::int64_t>* scaledWindows) {
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
        // Each take is folded in on another thread while the next is read.
        FoldWorker folds(accumulator, scaledWindows);
        TakeReader reader;
        TakeReading take;
        for (std::size_t i = 0; i < files; ++i) {
            events.fileStarted(set, i);
            readTake(reader, set.paths[i], parameters, take, folds.nextBuffer());
            statistics.levels.push_back(take.level);
            // The reference set scales to its own first file.
            if (!referenceLevel) referenceLevel = take.level;
            folds.fold(take.window, take.level, *referenceLevel);

            FileReading& reading = statistics.files.emplace_back();
            reading.path = set.paths[i];
            reading.header = take.header;
            reading.fileSize = take.file.fileSize;
            if (take.impulseFound) reading.impulse = take.impulsePosition;
            reading.note = take.note;
            if (reading.note != FileNote::none) events.fileNoted(reading);
        }
        folds.finish();
    }
    finishAccumulation(accumulator, statistics);
    return statistics;
}

double referenceLevelOf(const SetStatistics& reference) {
    // Without a reference file every comparison file scales to silence.
    return reference.levels.empty() ? 0.0 : reference.levels.front();
}

}  // namespace trellmark
