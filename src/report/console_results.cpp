#include "report/console_results.hpp"

#include <string_view>

#include "report/number_text.hpp"
#include "report/output_target.hpp"
#include "run/console.hpp"

namespace trellmark {
namespace {

// Each label with its zone advances ends at column 70, where the figure's sign
// position stands.
void writeLabel(Console& console, ConsoleTarget& out, std::string_view label, int zones) {
    useLabelColours(console);
    out.text(label);
    for (int i = 0; i < zones; ++i) out.zone();
    useValueColours(console);
}

void writeUnitLine(Console& console, ConsoleTarget& out, std::string_view label, int zones,
                   long double value, std::int16_t bitsPerSample) {
    writeLabel(console, out, label, zones);
    writeUnitPair(out, roundDecimals(value, 2), bitsPerSample);
    out.lineEnd();
}

}  // namespace

void printComparisonSummary(Console& console, const ComparisonResult& result,
                            std::int32_t analysisLength, std::int16_t bitsPerSample) {
    ConsoleTarget out(console);
    writeLabel(console, out, "   Number of statistically significant sample differences:", 1);
    writeNumber(out, result.significantCount, digits32);
    out.lineEnd();
    writeUnitLine(console, out, "   Largest single sample difference:", 3, result.largestDifference,
                  bitsPerSample);
    // The average is over the whole analysis length, formed in extended
    // precision; a length of 0 gives 0/0, which prints as 0.
    writeUnitLine(console, out, "   Average per sample difference:", 3,
                  static_cast<long double>(result.accumulatedDifference) / analysisLength,
                  bitsPerSample);
    writeUnitLine(console, out, "   Accumulated difference:", 4, result.accumulatedDifference,
                  bitsPerSample);
    useLabelColours(console);
    out.lineEnd();
    out.lineEnd();
}

}  // namespace trellmark
