#include "pipeline/output_writing.hpp"

#include <functional>
#include <string>

#include "io/output_stream.hpp"
#include "report/analysis_report.hpp"
#include "report/csv_results.hpp"
#include "report/figure_output.hpp"
#include "report/json_results.hpp"
#include "report/report_page.hpp"
#include "report/signal_output.hpp"
#include "report/spectrum_lines.hpp"

namespace trellmark {
namespace {

// Writes to the named file, or to standard output for "-".
WriteResult writeResultsFile(const std::string& name, const RunResults& run,
                             std::FILE* standardOutput,
                             const std::function<bool(std::FILE*)>& write) {
    if (name != standardOutputName) return writeThroughStream(name, recordingsRead(run), write);
    if (standardOutput == nullptr) return failedResult("standard output is not for results here");
    const bool written = write(standardOutput);
    if (std::fflush(standardOutput) == 0 && written) return writtenResult();
    return failedResult("standard output could not take it");
}

}  // namespace

std::vector<OutputOutcome> writeOutputs(const RunRequest& request, const RunResults& run,
                                        const Verdict* verdict, std::FILE* standardOutput,
                                        const SpectrumResult* spectrum) {
    const OutputRequest& names = request.outputs;
    const Verdict* reported = request.verdict.reported ? verdict : nullptr;
    const SpectrumResult* reportedSpectrum = request.verdict.reported ? spectrum : nullptr;
    std::vector<OutputOutcome> outcomes;
    if (!names.report.empty()) {
        outcomes.push_back(
            {"report", names.report, writeAnalysisReport(names.report, run, reported,
                                                               reportedSpectrum)});
    }
    for (OutputOutcome& signal :
         writeSignalFiles({names.referenceMean, names.comparisonMean, names.difference}, run)) {
        outcomes.push_back(std::move(signal));
    }
    if (!names.csv.empty()) {
        outcomes.push_back({"csv", names.csv,
                            writeResultsFile(names.csv, run, standardOutput,
                                             [&run, verdict](std::FILE* stream) {
                                                 return writeCsvResults(stream, run, verdict);
                                             })});
    }
    if (!names.spectrumCsv.empty() && spectrum != nullptr) {
        outcomes.push_back({"spectrum-csv", names.spectrumCsv,
                            writeResultsFile(names.spectrumCsv, run, standardOutput,
                                             [spectrum](std::FILE* stream) {
                                                 return writeSpectrumCsv(stream, *spectrum);
                                             })});
    }
    if (!names.plot.empty()) {
        outcomes.push_back(
            {"plot", names.plot, writeRunFigure(run, verdict, names.plot, names.plotSize, spectrum)});
    }
    if (!names.html.empty()) {
        outcomes.push_back({"html", names.html, writeReportPage(run, verdict, names.html, spectrum)});
    }
    if (!names.json.empty()) {
        const std::string json = runJson(run, outcomes, TRELLMARK_VERSION, verdict,
                                         spectrum);
        outcomes.push_back({"json", names.json,
                            writeResultsFile(names.json, run, standardOutput,
                                             [&json](std::FILE* stream) {
                                                 return std::fputs(json.c_str(), stream) >= 0;
                                             })});
    }
    return outcomes;
}

}  // namespace trellmark
