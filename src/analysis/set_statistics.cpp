#include "analysis/set_statistics.hpp"

#include <algorithm>

#include "analysis/fold_worker.hpp"
#include "analysis/take_reading.hpp"
#include "analysis/window_accumulator.hpp"

namespace trellmark {
namespace {

// What a readable take's format and level say of it beside its own note: a
// rate or channel count unlike the reference's, or no level to scale.
FileNote formatNote(const WaveInfo& header, const std::optional<WaveInfo>& reference,
                    double level) {
    if (header.kind == SampleKind::none) return FileNote::none;
    if (reference && header.sampleRate != reference->sampleRate) return FileNote::rateDiffers;
    if (reference && header.channels != reference->channels) return FileNote::channelsDiffer;
    return level > 0 ? FileNote::none : FileNote::levelZero;
}

}  // namespace

SetStatistics computeSetStatistics(const FileSet& set, const AnalysisParameters& parameters,
                                   std::optional<double> referenceLevel, AnalysisEvents& events,
                                   std::vector<std::int64_t>* scaledWindows,
                                   const WaveInfo* referenceFormat) {
    const bool isReference = !referenceLevel.has_value();
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
        std::optional<WaveInfo> format;
        if (referenceFormat != nullptr) format = *referenceFormat;
        for (std::size_t i = 0; i < files; ++i) {
            events.fileStarted(set, i);
            readTake(reader, set.paths[i], parameters, take, folds.nextBuffer(),
                     parameters.channel);
            statistics.levels.push_back(take.level);
            // The reference set scales to its first take with a level; takes
            // before it have none and fold to silence whatever the scale.
            const bool setsNoScale = isReference && !statistics.scaleTake && !(take.level > 0);
            if (isReference && !statistics.scaleTake && take.level > 0) {
                statistics.scaleTake = i;
                referenceLevel = take.level;
            }
            folds.fold(take.window, take.level, referenceLevel.value_or(0.0));
            if (!format && take.header.kind != SampleKind::none) format = take.header;
            take.note = worseNote(take.note, formatNote(take.header, format, take.level));

            FileReading& reading = statistics.files.emplace_back();
            reading.path = set.paths[i];
            reading.header = take.header;
            reading.fileSize = take.file.fileSize;
            if (take.impulseFound) reading.impulse = take.impulsePosition;
            reading.note = take.note;
            reading.setsNoScale = setsNoScale;
            if (reading.note != FileNote::none) events.fileNoted(reading);
        }
        folds.finish();
    }
    finishAccumulation(accumulator, statistics);
    return statistics;
}

double referenceLevelOf(const SetStatistics& reference) {
    // Without a reference take that has a level every comparison take scales
    // to silence.
    if (!reference.scaleTake || *reference.scaleTake >= reference.levels.size()) return 0.0;
    return reference.levels[*reference.scaleTake];
}

}  // namespace trellmark
