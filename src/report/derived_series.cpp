#include "report/derived_series.hpp"

#include <algorithm>

#include "analysis/index_test.hpp"

namespace trellmark {

DerivedSeries deriveSeries(const RunResults& run) {
    const auto length = static_cast<std::size_t>(std::max(run.parameters.analysisLength, 0));
    const SetStatistics& r = run.referenceStatistics;
    const SetStatistics& c = run.comparisonStatistics;
    DerivedSeries series;
    series.difference.resize(length);
    series.significant.resize(length);
    for (std::size_t j = 0; j < length; ++j) {
        series.difference[j] = r.mean[j] - c.mean[j];
        series.significant[j] = significantAt(run.result, j) ? 1 : 0;
    }
    // The bounds of the test exist only where a test was made.
    if (run.result.t.size() == length) {
        const CriticalValueTable tables = buildCriticalValueTables();
        const IndexTestSetup setup = makeIndexTestSetup(
            r.fileCount, c.fileCount, run.parameters.confidenceLevel.test(), tables);
        series.standardError.resize(length);
        series.criticalT.resize(length);
        for (std::size_t j = 0; j < length; ++j) {
            const IndexTestBounds bounds = indexTestBounds(setup, r.stdDev[j], c.stdDev[j]);
            series.standardError[j] = bounds.standardError;
            series.criticalT[j] = bounds.critical;
        }
    }
    return series;
}

}  // namespace trellmark
