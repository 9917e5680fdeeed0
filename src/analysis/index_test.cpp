#include "analysis/index_test.hpp"

#include <algorithm>
#include <limits>

namespace trellmark {

IndexTestSetup makeIndexTestSetup(int referenceTakes, int comparisonTakes, std::int16_t confidence,
                                  const CriticalValueTable& tables) {
    IndexTestSetup setup;
    setup.referenceTakes = referenceTakes;
    setup.comparisonTakes = comparisonTakes;
    setup.confidence = confidence;
    setup.tables = &tables;
    if (referenceTakes == comparisonTakes) {
        setup.equalSizeCritical = criticalValue(
            tables, confidence, degreesOfFreedom(referenceTakes, comparisonTakes, 0, 0));
    }
    setup.smallestCritical = criticalValue(tables, confidence, 1);
    for (int d = 2; d <= criticalValueEntries; ++d) {
        setup.smallestCritical =
            std::min(setup.smallestCritical, criticalValue(tables, confidence, d));
    }
    return setup;
}

IndexTestBounds indexTestBounds(const IndexTestSetup& setup, double sR, double sC) {
    const int nR = setup.referenceTakes;
    const int nC = setup.comparisonTakes;
    if (nR == nC) return {std::sqrt((sR * sR + sC * sC) / nR), setup.equalSizeCritical};
    const double a = (sR * sR) / nR;
    const double b = (sC * sC) / nC;
    const int d = degreesOfFreedom(nR, nC, a, b);
    const bool tabled = !(a == 0 && b == 0) && d >= 1;
    return {std::sqrt(a + b), tabled ? criticalValue(*setup.tables, setup.confidence, d)
                                     : std::numeric_limits<double>::quiet_NaN()};
}

}  // namespace trellmark
