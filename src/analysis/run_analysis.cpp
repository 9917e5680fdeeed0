#include "analysis/run_analysis.hpp"

#include <optional>
#include <utility>

namespace trellmark {

RunResults analyseRun(FileSet referenceFiles, FileSet comparisonFiles,
                      const AnalysisParameters& parameters, AnalysisEvents& events,
                      std::vector<std::int64_t>* scaledWindows) {
    RunResults run;
    run.parameters = parameters;
    run.referenceFiles = std::move(referenceFiles);
    run.comparisonFiles = std::move(comparisonFiles);
    run.referenceStatistics = computeSetStatistics(run.referenceFiles, parameters, std::nullopt,
                                                   run.lastFile, events, scaledWindows);
    run.comparisonStatistics = computeSetStatistics(run.comparisonFiles, parameters,
                                                    referenceLevelOf(run.referenceStatistics),
                                                    run.lastFile, events, scaledWindows);
    run.result =
        compareSets(run.referenceStatistics, run.comparisonStatistics, parameters.analysisLength,
                    parameters.confidenceLevel, buildCriticalValueTables(), events);
    return run;
}

}  // namespace trellmark
