#pragma once
// The outputs of a finished run, written into a scratch folder and read back:
// the report with CR LF line ends and no "nan" or "inf" among its words; the
// JSON parses and holds the run's own figures exactly; the CSV has one CR LF
// row per index with its fixed columns, the significant column as the run
// says and no value spelled "nan"; the three signal files are mono waves of
// analysisLength values at the last take's depth and rate, or are not written
// at another depth.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/run_results.hpp"
#include "report/analysis_report.hpp"
#include "report/csv_results.hpp"
#include "report/json_results.hpp"
#include "report/signal_output.hpp"
#include "support/fuzz_check.hpp"
#include "support/whole_file.hpp"
#include "verdict/verdict.hpp"
#include "wave/wave_reader.hpp"

namespace trellmark::fuzz {

// Every line feed ends a CR LF pair, and the text ends in one.
inline bool crLfLines(const std::string& text) {
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) return false;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        if (at == 0 || text[at - 1] != '\r') return false;
    }
    return true;
}

inline bool hasNonNumberWord(const std::string& text) {
    std::istringstream words(text);
    for (std::string word; words >> word;) {
        for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!word.empty() && (word[0] == '-' || word[0] == '+')) word.erase(0, 1);
        if (word == "nan" || word == "inf" || word == "infinity") return true;
    }
    return false;
}

inline void checkReport(const RunResults& run, const Verdict& verdict, const std::string& path) {
    FUZZ_CHECK(writeAnalysisReport(path, run, &verdict).written);
    const std::string report = testing::readWholeFile(path);
    FUZZ_CHECK(crLfLines(report));
    FUZZ_CHECK(!hasNonNumberWord(report));
}

inline void checkJson(const RunResults& run, const Verdict& verdict) {
    const std::string text = runJson(run, {}, "0.0.0", &verdict);
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    FUZZ_CHECK(!json.is_discarded());
    FUZZ_CHECK(json["parameters"]["length"] == run.parameters.analysisLength);
    FUZZ_CHECK(json["result"]["significantCount"] == run.result.significantCount);
    FUZZ_CHECK(json["result"]["largestDifference"] == run.result.largestDifference);
    FUZZ_CHECK(json["result"]["accumulatedDifference"] == run.result.accumulatedDifference);
    FUZZ_CHECK(json["verdict"]["fdrCount"] == verdict.fdrCount);
    FUZZ_CHECK(json["verdict"]["clusters"].size() == verdict.clusters.size());
    const auto checkSet = [](const nlohmann::json& set, const SetStatistics& statistics) {
        FUZZ_CHECK(set["files"].size() == statistics.files.size());
        for (std::size_t i = 0; i < statistics.files.size(); ++i) {
            const nlohmann::json& file = set["files"][i];
            FUZZ_CHECK(file["level"] == statistics.levels[i]);
            const std::optional<std::int64_t>& impulse = statistics.files[i].impulse;
            FUZZ_CHECK(impulse ? file["impulse"] == *impulse : file["impulse"].is_null());
        }
        if (std::isfinite(statistics.largestStdDev)) {
            FUZZ_CHECK(set["largestStdDev"] == statistics.largestStdDev);
        }
    };
    checkSet(json["reference"], run.referenceStatistics);
    checkSet(json["comparison"], run.comparisonStatistics);
}

inline std::vector<std::string> splitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t begin = 0;
    for (std::size_t at = text.find(separator); at != std::string::npos;
         at = text.find(separator, begin)) {
        parts.push_back(text.substr(begin, at - begin));
        begin = at + 1;
    }
    parts.push_back(text.substr(begin));
    return parts;
}

inline void checkCsv(const RunResults& run, const Verdict& verdict) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    FUZZ_CHECK(stream != nullptr);
    const bool written = writeCsvResults(stream, run, &verdict);
    FUZZ_CHECK(std::fclose(stream) == 0);
    const std::string csv(buffer, size);
    std::free(buffer);
    FUZZ_CHECK(written);
    FUZZ_CHECK(crLfLines(csv));

    std::vector<std::string> rows = splitAt(csv.substr(0, csv.size() - 2), '\n');
    const auto length = static_cast<std::size_t>(std::max(run.parameters.analysisLength, 0));
    FUZZ_CHECK(rows.size() == length + 1);
    for (std::size_t j = 0; j < rows.size(); ++j) {
        if (!rows[j].empty() && rows[j].back() == '\r') rows[j].pop_back();
        const std::vector<std::string> fields = splitAt(rows[j], ',');
        FUZZ_CHECK(fields.size() == 14);
        if (j == 0) continue;
        const std::size_t index = j - 1;
        FUZZ_CHECK(fields[0] == std::to_string(index));
        FUZZ_CHECK(fields[9] == (significantAt(run.result, index) ? "1" : "0"));
        for (const std::string& field : fields) FUZZ_CHECK(field.find("nan") == std::string::npos);
    }
}

inline void checkSignalFiles(const RunResults& run, const std::string& folder) {
    const SignalFileNames names{folder + "/reference-mean.wav", folder + "/comparison-mean.wav",
                                folder + "/difference.wav"};
    for (const std::string* name :
         {&names.referenceMean, &names.comparisonMean, &names.difference}) {
        std::remove(name->c_str());
    }
    const std::vector<OutputOutcome> written = writeSignalFiles(names, run);
    const WaveInfo& last = run.scaleFile;
    const bool depthWritten = last.bitsPerSample == 16 || last.bitsPerSample == 24;
    FUZZ_CHECK(written.size() == 3);
    for (const OutputOutcome& outcome : written) FUZZ_CHECK(outcome.result.written == depthWritten);
    for (const std::string* name :
         {&names.referenceMean, &names.comparisonMean, &names.difference}) {
        WaveInfo info;
        HeldWave held;
        openWave(held, *name, info);
        const WaveFile& file = held.file;
        FUZZ_CHECK(file.opened == depthWritten);
        if (!depthWritten) continue;
        FUZZ_CHECK(info.channels == 1 && info.bitsPerSample == last.bitsPerSample);
        FUZZ_CHECK(info.sampleRate == last.sampleRate);
        FUZZ_CHECK(info.sampleCount == std::max(run.parameters.analysisLength, 0));
        FUZZ_CHECK(file.fileSize == 44 + info.dataSize);
    }
}

inline void checkRunOutputs(const RunResults& run, const Verdict& verdict,
                            const std::string& folder) {
    checkReport(run, verdict, folder + "/report.txt");
    checkJson(run, verdict);
    checkCsv(run, verdict);
    checkSignalFiles(run, folder);
}

}  // namespace trellmark::fuzz
