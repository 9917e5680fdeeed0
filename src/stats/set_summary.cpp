#include "report/number_text.hpp"
#include "report/output_target.hpp"
#include "run/console.hpp"
#include "stats/set_statistics.hpp"

namespace trellmark {

void printSetSummary(Console& console, const SetStatistics& statistics, std::int32_t analysisLength,
                     std::int16_t bitsPerSample) {
    ConsoleTarget out(console);
    out.lineEnd();
    useLabelColours(console);
    out.text("   The largest single sample standard deviation within these files is");
    out.zone();
    useValueColours(console);
    writeUnitPair(out, roundDecimals(statistics.largestStdDev, 3), bitsPerSample);
    out.lineEnd();

    useLabelColours(console);
    out.text("   The average per sample standard deviation within these files is");
    out.zone();
    useValueColours(console);
    // A window of length 0 gives 0 / 0, which prints as 0.
    const long double average = static_cast<long double>(statistics.stdDevSum) / analysisLength;
    writeUnitPair(out, roundDecimals(average, 3), bitsPerSample);
    out.lineEnd();

    useLabelColours(console);
    out.lineEnd();
    out.lineEnd();
}

}  // namespace trellmark
