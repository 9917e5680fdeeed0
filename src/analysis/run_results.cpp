#include "analysis/run_results.hpp"

namespace trellmark {

WaveInfo headerOfLastFileRead(const SetStatistics& reference, const SetStatistics& comparison) {
    if (!comparison.files.empty()) return comparison.files.back().header;
    if (!reference.files.empty()) return reference.files.back().header;
    return {};
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
