#include "run/console.hpp"
#include "stats/set_comparison.hpp"

namespace trellmark {

ComparisonResult compareSets(Console& console, const SetStatistics& reference,
                             const SetStatistics& comparison, std::int32_t analysisLength,
                             std::int16_t confidenceLevel, const CriticalValueTable& tables) {
    printText(console, "   Comparing data...");
    newLine(console);
    newLine(console);
    return compareMeans(reference, comparison, analysisLength, confidenceLevel, tables);
}

}  // namespace trellmark
