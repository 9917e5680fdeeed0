#include "analysis/run_analysis.hpp"

#include <optional>
#include <utility>

namespace trellmark {

RunResults analyseRun(FileSet referenceFiles, FileSet comparisonFiles,
                      const AnalysisParameters& parameters, AnalysisEvents& events) {
    RunResults run;
    run.parameters = parameters;
    run.referenceFiles = std::move(referenceFiles);
    run.comparisonFiles = std::move(comparisonFiles);
    run.referenceStatistics =
        computeSetStatistics(run.referenceFiles, parameters, std::nullopt, run.lastFile, events);
    run.comparisonStatistics =
        computeSetStatistics(run.comparisonFiles, parameters,
                             referenceLevelOf(run.referenceStatistics), run.lastFile, events);
    run.result =
        compareSets(run.referenceStatistics, run.comparisonStatistics, parameters.analysisLength,
                    parameters.confidenceLevel, buildCriticalValueTables(), events);
    return run;
}

}  // namespace trellmark
