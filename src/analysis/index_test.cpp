#include "analysis/index_test.hpp"

#include <algorithm>
#include <limits>

namespace trellmark {

IndexTestSetup makeIndexTestSetup(int referenceTakes, int comparisonTakes, TestLevel level,
                                  const CriticalValueTable& tables) {
    IndexTestSetup setup;
    setup.referenceTakes = referenceTakes;
    setup.comparisonTakes = comparisonTakes;
    setup.level = level;
    setup.tables = &tables;
    if (referenceTakes == comparisonTakes) {
        setup.equalSizeCritical =
            criticalValue(tables, level, degreesOfFreedom(referenceTakes, comparisonTakes, 0, 0));
    }
    setup.smallestCritical = criticalValue(tables, level, 1);
    for (int d = 2; d <= criticalValueEntries; ++d) {
        setup.smallestCritical = std::min(setup.smallestCritical, criticalValue(tables, level, d));
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
    return {std::sqrt(a + b), tabled ? criticalValue(*setup.tables, setup.level, d)
                                     : std::numeric_limits<double>::quiet_NaN()};
}

}  // namespace trellmark
