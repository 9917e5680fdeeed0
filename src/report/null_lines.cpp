#include "report/null_lines.hpp"

#include <cmath>
#include <cstdio>

namespace trellmark {
namespace {

std::string oneDecimal(double x) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", x);
    return text;
}

}  // namespace

std::string dbfsText(double dbfs) {
    return std::isinf(dbfs) ? (dbfs < 0 ? "-inf" : "inf") : oneDecimal(dbfs);
}

std::string nullLine(const NullFigures& figures, std::string_view lead) {
    const std::string start = std::string(lead) + "Difference RMS: ";
    if (figures.rmsLsb <= 0) return start + "no difference";
    return start + dbfsText(rmsDbfs(figures)) + " dBFS, peak " + dbfsText(peakDbfs(figures)) +
           " dBFS at index " + std::to_string(figures.peakIndex) + ", null depth " +
           dbfsText(nullDepthDb(figures)) + " dB";
}

void writeNullLine(OutputTarget& out, const NullFigures& figures) {
    out.text(nullLine(figures));
    out.lineEnd();
}

}  // namespace trellmark
