#include "verdict/index_test.hpp"

#include <algorithm>

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

}  // namespace trellmark
