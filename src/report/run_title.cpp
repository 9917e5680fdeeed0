#include "report/run_title.hpp"

namespace trellmark {

std::string runTitle(const RunResults& run) {
    return "Trellmark: " + fileSetName(run.referenceFiles) + " against " +
           fileSetName(run.comparisonFiles);
}

}  // namespace trellmark
