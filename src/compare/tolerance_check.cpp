#include "compare/tolerance_check.hpp"

#include <cstdio>

#include "report/null_lines.hpp"

namespace trellmark {
namespace {

std::string lsbText(double lsb) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", lsb);
    return text;
}

void addCheck(ToleranceCheck& check, std::string_view lead, const std::string& what, double value,
              double limit, const std::string& valueText, const std::string& limitText) {
    // An infinitely deep null (no difference) passes every limit.
    const bool within = value <= limit;
    check.within = check.within && within;
    check.sentences.push_back(std::string(lead) + "Tolerance: the difference " + what + " " +
                              valueText + " is " + (within ? "within " : "beyond ") + limitText);
}

}  // namespace

ToleranceCheck checkTolerances(const NullFigures& figures, const Tolerances& tolerance,
                               std::string_view lead) {
    ToleranceCheck check;
    if (tolerance.rmsDbfs) {
        const double rms = rmsDbfs(figures);
        addCheck(check, lead, "RMS", rms, *tolerance.rmsDbfs, dbfsText(rms) + " dBFS",
                 dbfsText(*tolerance.rmsDbfs) + " dBFS");
    }
    if (tolerance.peakLsb) {
        addCheck(check, lead, "peak", figures.peakLsb, *tolerance.peakLsb,
                 lsbText(figures.peakLsb) + " LSB", lsbText(*tolerance.peakLsb) + " LSB");
    }
    if (tolerance.peakDbfs) {
        const double peak = peakDbfs(figures);
        addCheck(check, lead, "peak", peak, *tolerance.peakDbfs, dbfsText(peak) + " dBFS",
                 dbfsText(*tolerance.peakDbfs) + " dBFS");
    }
    return check;
}

}  // namespace trellmark
