#include "report/csv_results.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace trellmark {
namespace {

// A value that reads back exactly; nothing for a value that is not a number.
void appendNumber(std::string& row, double value) {
    if (std::isnan(value)) return;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    row += buffer;
}

double at(const std::vector<double>& values, std::size_t j) {
    return j < values.size() ? values[j] : std::nan("");
}

const char* const columns =
    "index,offset,reference_mean,reference_sd,comparison_mean,comparison_sd,difference,t,df,"
    "significant";
const char* const verdictColumns = ",verdict_t,p,fdr_significant,cluster";

// One row per index of the run's window, each begun with `lead`.
bool writeRows(std::FILE* stream, const RunResults& run, const Verdict* verdict,
               const std::string& lead) {
    bool written = true;
    const std::int64_t length = std::max(run.parameters.analysisLength, 0);
    const SetStatistics& r = run.referenceStatistics;
    const SetStatistics& c = run.comparisonStatistics;
    std::string row;
    for (std::int64_t j = 0; j < length && written; ++j) {
        const auto index = static_cast<std::size_t>(j);
        row = lead + std::to_string(j) + "," + std::to_string(run.parameters.startOffset + j) + ",";
        const double mR = at(r.mean, index);
        const double mC = at(c.mean, index);
        for (const double value :
             {mR, at(r.stdDev, index), mC, at(c.stdDev, index), mR - mC, at(run.result.t, index)}) {
            appendNumber(row, value);
            row += ',';
        }
        // Degrees of freedom belong to a t that exists.
        if (!std::isnan(at(run.result.t, index))) {
            appendNumber(row, at(run.result.degreesOfFreedom, index));
        }
        row += significantAt(run.result, index) ? ",1" : ",0";
        if (verdict != nullptr) {
            row += ',';
            appendNumber(row, at(verdict->t, index));
            row += ',';
            appendNumber(row, at(verdict->p, index));
            const bool kept = index < verdict->fdrKept.size() && verdict->fdrKept[index] != 0;
            row += kept ? ",1," : ",0,";
            if (index < verdict->clusterOf.size() && verdict->clusterOf[index] > 0) {
                row += std::to_string(verdict->clusterOf[index]);
            }
        }
        row += "\r\n";
        written = std::fputs(row.c_str(), stream) >= 0;
    }
    return written;
}

}  // namespace

bool writeCsvResults(std::FILE* stream, const RunResults& run, const Verdict* verdict) {
    std::string header = columns;
    if (verdict != nullptr) header += verdictColumns;
    const bool written = std::fputs((header + "\r\n").c_str(), stream) >= 0;
    return written && writeRows(stream, run, verdict, "");
}

bool writeChannelsCsv(std::FILE* stream, std::span<const ChannelRun> channels) {
    const std::string header = std::string("channel,") + columns + verdictColumns + "\r\n";
    bool written = std::fputs(header.c_str(), stream) >= 0;
    for (const ChannelRun& channel : channels) {
        if (!written) break;
        const std::string lead = std::to_string(channel.run.parameters.channel + 1) + ",";
        written = writeRows(stream, channel.run, &channel.verdict, lead);
    }
    return written;
}

}  // namespace trellmark
