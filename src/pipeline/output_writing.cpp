#include "pipeline/output_writing.hpp"

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "io/output_file.hpp"
#include "io/output_stream.hpp"
#include "report/analysis_report.hpp"
#include "report/csv_results.hpp"
#include "report/figure_output.hpp"
#include "report/json_results.hpp"
#include "report/report_page.hpp"
#include "report/signal_output.hpp"
#include "report/spectrum_lines.hpp"
#include "wave/wave_writer.hpp"

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

// Every output's kind and name, in the order they are written.
struct OutputField {
    const char* kind;
    std::string OutputRequest::*name;
};
constexpr OutputField outputFields[] = {
    {"report", &OutputRequest::report},
    {"referenceMean", &OutputRequest::referenceMean},
    {"comparisonMean", &OutputRequest::comparisonMean},
    {"difference", &OutputRequest::difference},
    {"csv", &OutputRequest::csv},
    {"plot", &OutputRequest::plot},
    {"html", &OutputRequest::html},
    {"json", &OutputRequest::json},
};

// The named outputs in the order they are written, "-" left out.
std::vector<std::pair<const char*, std::string>> namedOutputs(const OutputRequest& names) {
    std::vector<std::pair<const char*, std::string>> named;
    for (const OutputField& field : outputFields) {
        const std::string& name = names.*field.name;
        if (!name.empty() && name != standardOutputName) named.emplace_back(field.kind, name);
    }
    return named;
}

// For each output that names the file of an earlier one, why it is not
// written: the earlier one keeps the file. Places are taken before anything
// is written, so that a file the first output makes is no excuse.
std::map<std::string, std::string> sharedFiles(const OutputRequest& names) {
    std::map<std::string, std::string> refused;
    std::vector<std::pair<std::string, std::string>> places;
    for (const auto& [kind, name] : namedOutputs(names)) {
        const std::string place = outputPlace(name);
        for (const auto& [earlierPlace, earlierName] : places) {
            if (!place.empty() && place == earlierPlace) {
                refused.emplace(kind, "it is the same file as " + earlierName);
                break;
            }
        }
        places.emplace_back(place, name);
    }
    return refused;
}

// What writes each output of a run, whether of one channel or of every one.
struct OutputWriters {
    const RunResults* run = nullptr;  // the files read and the scale file, for every output
    std::function<WriteResult(const std::string&)> report;
    std::function<std::vector<OutputOutcome>(const SignalFileNames&)> signals;
    std::function<bool(std::FILE*)> csv;
    std::function<bool(std::FILE*)> spectrumCsv;  // empty without a spectrum
    std::function<WriteResult(const std::string&, FigureSize)> plot;
    std::function<WriteResult(const std::string&)> html;
    std::function<std::string(const std::vector<OutputOutcome>&)> json;
};

std::vector<OutputOutcome> writeEveryOutput(const OutputRequest& asked,
                                            const OutputWriters& writers,
                                            std::FILE* standardOutput) {
    const RunResults& run = *writers.run;
    std::map<std::string, std::string> refused = sharedFiles(asked);
    // The signal files take the scale file's rate: at 0 samples a second no
    // player could play them, so they are not written as if they could. A
    // format the writer cannot write is its own reason, named first.
    if (run.scaleFile.sampleRate <= 0 &&
        outputUnitsFor(run.scaleFile).format != WaveOutputFormat::none) {
        for (const char* kind : {"referenceMean", "comparisonMean", "difference"}) {
            refused.emplace(kind, "the recordings give it no sample rate (0)");
        }
    }
    // Each output refused as another's file is left unnamed, and its outcome
    // takes its place in the order.
    OutputRequest names = asked;
    for (const OutputField& field : outputFields) {
        if (refused.contains(field.kind)) names.*field.name = "";
    }
    std::vector<OutputOutcome> outcomes;
    const auto refuse = [&](const char* kind, const std::string& name) {
        const auto why = refused.find(kind);
        if (why == refused.end()) return false;
        outcomes.push_back({kind, name, failedResult(why->second)});
        return true;
    };
    if (!refuse("report", asked.report) && !names.report.empty()) {
        outcomes.push_back({"report", names.report, writers.report(names.report)});
    }
    std::vector<OutputOutcome> signals =
        writers.signals({names.referenceMean, names.comparisonMean, names.difference});
    std::size_t nextSignal = 0;
    for (const auto& [kind, name] : std::initializer_list<std::pair<const char*, std::string>>{
             {"referenceMean", asked.referenceMean},
             {"comparisonMean", asked.comparisonMean},
             {"difference", asked.difference}}) {
        if (name.empty() || refuse(kind, name)) continue;
        if (nextSignal < signals.size()) outcomes.push_back(std::move(signals[nextSignal++]));
    }
    if (!refuse("csv", asked.csv) && !names.csv.empty()) {
        outcomes.push_back(
            {"csv", names.csv, writeResultsFile(names.csv, run, standardOutput, writers.csv)});
    }
    if (!refuse("spectrum-csv", asked.spectrumCsv) && !names.spectrumCsv.empty() &&
        writers.spectrumCsv) {
        outcomes.push_back(
            {"spectrum-csv", names.spectrumCsv,
             writeResultsFile(names.spectrumCsv, run, standardOutput, writers.spectrumCsv)});
    }
    if (!refuse("plot", asked.plot) && !names.plot.empty()) {
        outcomes.push_back({"plot", names.plot, writers.plot(names.plot, names.plotSize)});
    }
    if (!refuse("html", asked.html) && !names.html.empty()) {
        outcomes.push_back({"html", names.html, writers.html(names.html)});
    }
    if (!refuse("json", asked.json) && !names.json.empty()) {
        const std::string json = writers.json(outcomes);
        outcomes.push_back(
            {"json", names.json,
             writeResultsFile(names.json, run, standardOutput, [&json](std::FILE* stream) {
                 return std::fputs(json.c_str(), stream) >= 0;
             })});
    }
    return outcomes;
}

}  // namespace

bool namesOneFile(const std::string& first, const std::string& second) {
    if (first.empty() || second.empty()) return false;
    if (first == standardOutputName || second == standardOutputName) return first == second;
    const std::string place = outputPlace(first);
    return !place.empty() && place == outputPlace(second);
}

std::vector<OutputOutcome> writeOutputs(const RunRequest& request, const RunResults& run,
                                        const Verdict* verdict, std::FILE* standardOutput,
                                        const SpectrumResult* spectrum) {
    const Verdict* reported = request.verdict.reported ? verdict : nullptr;
    const SpectrumResult* reportedSpectrum = request.verdict.reported ? spectrum : nullptr;
    OutputWriters writers;
    writers.run = &run;
    writers.report = [&](const std::string& name) {
        return writeAnalysisReport(name, run, reported, reportedSpectrum);
    };
    writers.signals = [&](const SignalFileNames& names) { return writeSignalFiles(names, run); };
    writers.csv = [&](std::FILE* stream) { return writeCsvResults(stream, run, verdict); };
    if (spectrum != nullptr) {
        writers.spectrumCsv = [spectrum](std::FILE* stream) {
            return writeSpectrumCsv(stream, *spectrum);
        };
    }
    writers.plot = [&](const std::string& name, FigureSize size) {
        return writeRunFigure(run, verdict, name, size, spectrum);
    };
    writers.html = [&](const std::string& name) {
        return writeReportPage(run, verdict, name, spectrum);
    };
    writers.json = [&](const std::vector<OutputOutcome>& outcomes) {
        return runJson(run, outcomes, TRELLMARK_VERSION, verdict, spectrum);
    };
    return writeEveryOutput(request.outputs, writers, standardOutput);
}

std::vector<OutputOutcome> writeChannelOutputs(const RunRequest& request,
                                               std::span<const ChannelRun> channels,
                                               const Verdict* across, std::FILE* standardOutput) {
    const Verdict* reported = request.verdict.reported ? across : nullptr;
    OutputWriters writers;
    writers.run = &channels.front().run;
    writers.report = [&](const std::string& name) {
        return writeChannelsReport(name, channels, reported);
    };
    writers.signals = [&](const SignalFileNames& names) {
        return writeChannelSignalFiles(names, channels);
    };
    writers.csv = [&](std::FILE* stream) { return writeChannelsCsv(stream, channels); };
    writers.plot = [&](const std::string& name, FigureSize size) {
        return writeChannelsFigure(channels, across, name, size);
    };
    writers.html = [&](const std::string& name) {
        return writeChannelsPage(channels, across, name);
    };
    writers.json = [&](const std::vector<OutputOutcome>& outcomes) {
        return channelsJson(channels, across, outcomes, TRELLMARK_VERSION);
    };
    return writeEveryOutput(request.outputs, writers, standardOutput);
}

}  // namespace trellmark
