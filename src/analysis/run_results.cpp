#include "analysis/run_results.hpp"

namespace trellmark {

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
