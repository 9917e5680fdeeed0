#include "analysis/run_results.hpp"

#include "wave/wave_writer.hpp"

namespace trellmark {

WaveInfo scaleFileOf(const SetStatistics& reference, const SetStatistics& comparison) {
    const std::size_t scale = reference.scaleTake.value_or(0);
    if (scale < reference.files.size()) return reference.files[scale].header;
    if (!comparison.files.empty()) return comparison.files.front().header;
    return {};
}

std::int16_t figureBitsOf(const RunResults& run) {
    return outputUnitsFor(run.scaleFile).figureBits;
}

std::vector<FileIdentity> recordingsRead(const RunResults& run) {
    std::vector<FileIdentity> identities;
    for (const SetStatistics* set : {&run.referenceStatistics, &run.comparisonStatistics}) {
        for (const FileReading& file : set->files) {
            if (const auto identity = identityOf(file.path)) identities.push_back(*identity);
        }
    }
    return identities;
}

}  // namespace trellmark
