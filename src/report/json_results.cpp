#include "report/json_results.hpp"

#include <nlohmann/json.hpp>
#include <string_view>

#include "report/run_lines.hpp"
#include "report/verdict_lines.hpp"
#include "text/utf8.hpp"

namespace trellmark {
namespace {

using Json = nlohmann::ordered_json;

bool isValidUtf8(std::string_view text) {
    while (!text.empty()) {
        const std::size_t length = characterLength(text);
        if (length == 1 && static_cast<unsigned char>(text[0]) >= 0x80) return false;
        text.remove_prefix(length);
    }
    return true;
}

std::string withReplacementCharacters(std::string_view text) {
    std::string valid;
    while (!text.empty()) {
        const std::size_t length = characterLength(text);
        if (length == 1 && static_cast<unsigned char>(text[0]) >= 0x80) {
            valid += "\xEF\xBF\xBD";
        } else {
            valid.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return valid;
}

std::string hexBytes(std::string_view text) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
    }
    return hex;
}

// Sets object[key] to the text, keeping invalid bytes in key + "Bytes".
void putText(Json& object, const std::string& key, std::string_view text) {
    if (isValidUtf8(text)) {
        object[key] = std::string(text);
        return;
    }
    object[key] = withReplacementCharacters(text);
    object[key + "Bytes"] = hexBytes(text);
}

Json fileJson(const FileReading& file, double level) {
    Json json;
    putText(json, "path", file.path);
    json["format"] =
        file.header.format.empty() ? Json(nullptr) : Json(std::string(file.header.format));
    json["channels"] = file.header.channels;
    // Counted from 1, as --channel takes it; null when nothing could be read.
    json["channel"] =
        file.header.kind == SampleKind::none ? Json(nullptr) : Json(file.header.channel + 1);
    json["sampleRate"] = file.header.sampleRate;
    json["bitsPerSample"] = file.header.bitsPerSample;
    json["dataOffset"] = file.header.dataOffset;
    json["dataBytes"] = file.header.dataSize;
    json["sampleCount"] = file.header.sampleCount;
    json["impulse"] = file.impulse ? Json(*file.impulse) : Json(nullptr);
    json["level"] = level;
    const std::string_view note = noteSentence(file.note);
    json["note"] = note.empty() ? Json(nullptr) : Json(std::string(note));
    return json;
}

Json setJson(const FileSet& files, const SetStatistics& statistics, std::int32_t length) {
    Json json;
    putText(json, "directory", files.directory);
    putText(json, "core", files.coreName);
    putText(json, "pattern", fileSetPattern(files.coreName));
    Json list = Json::array();
    for (std::size_t i = 0; i < statistics.files.size(); ++i) {
        const double level = i < statistics.levels.size() ? statistics.levels[i] : 0.0;
        list.push_back(fileJson(statistics.files[i], level));
    }
    json["files"] = std::move(list);
    json["largestStdDev"] = statistics.largestStdDev;
    json["averageStdDev"] = statistics.stdDevSum / length;
    return json;
}

const char* outcomeName(VerdictOutcome outcome) {
    switch (outcome) {
        case VerdictOutcome::differ:
            return "differ";
        case VerdictOutcome::doNotDiffer:
            return "doNotDiffer";
        case VerdictOutcome::cannotTell:
            break;
    }
    return "cannotTell";
}

Json verdictJson(const Verdict& verdict) {
    Json json;
    json["differ"] = verdict.outcome == VerdictOutcome::cannotTell
                         ? Json(nullptr)
                         : Json(verdict.outcome == VerdictOutcome::differ);
    json["outcome"] = outcomeName(verdict.outcome);
    json["reason"] = verdict.reason.empty() ? Json(nullptr) : Json(verdict.reason);
    json["sentence"] = verdictSentence(verdict);
    json["method"] = "cluster permutation test";
    json["statistic"] = verdict.statistic == ClusterStatistic::mass ? "mass" : "size";
    json["alpha"] = verdict.alpha;
    if (verdict.alphaHalved) json["alphaHalved"] = true;
    json["permutations"] = verdict.permutations;
    json["exact"] = verdict.exact;
    // As text: a 64-bit seed does not survive a double.
    json["seed"] = std::to_string(verdict.seed);
    json["expectedByChance"] = verdict.expectedByChance;
    json["fdrCount"] = verdict.fdrCount;
    json["smallestPossibleP"] = verdict.smallestPossibleP;
    Json clusters = Json::array();
    for (const ClusterVerdict& cluster : verdict.clusters) {
        clusters.push_back({{"first", cluster.first},
                            {"last", cluster.last},
                            {"size", cluster.size},
                            {"mass", cluster.mass},
                            {"meanDifference", cluster.meanDifference},
                            {"differenceDecibels", cluster.differenceDecibels},
                            {"p", cluster.p},
                            {"pLow", cluster.pLow},
                            {"pHigh", cluster.pHigh}});
    }
    json["clusters"] = std::move(clusters);
    return json;
}

Json spectrumJson(const SpectrumResult& spectrum, const Verdict* time) {
    Json json;
    json["fftSize"] = spectrum.fftSize;
    json["segments"] = spectrum.segments;
    json["binHz"] = spectrum.binHz;
    const Verdict& verdict = spectrum.verdict;
    Json bins = Json::array();
    for (std::size_t i = 0; i < spectrum.referenceMeanDb.size(); ++i) {
        const auto bin = static_cast<std::int64_t>(i + 1);
        bins.push_back(
            {{"bin", bin},
             {"frequency", static_cast<double>(bin) * spectrum.binHz},
             {"referenceMeanDb", spectrum.referenceMeanDb[i]},
             {"referenceSdDb", spectrum.referenceSdDb[i]},
             {"comparisonMeanDb", spectrum.comparisonMeanDb[i]},
             {"comparisonSdDb", spectrum.comparisonSdDb[i]},
             {"differenceDb", spectrum.referenceMeanDb[i] - spectrum.comparisonMeanDb[i]},
             {"t", i < verdict.t.size() ? verdict.t[i] : 0.0},
             {"significant", i < verdict.significant.size() && verdict.significant[i]}});
    }
    json["bins"] = std::move(bins);
    json["significantCount"] = spectrum.significantCount;
    Json clusters = Json::array();
    for (const ClusterVerdict& cluster : verdict.clusters) {
        clusters.push_back({{"firstBin", cluster.first},
                            {"lastBin", cluster.last},
                            {"firstHz", static_cast<double>(cluster.first) * spectrum.binHz},
                            {"lastHz", static_cast<double>(cluster.last) * spectrum.binHz},
                            {"meanDifferenceDb", cluster.meanDifference},
                            {"mass", cluster.mass},
                            {"p", cluster.p},
                            {"pLow", cluster.pLow},
                            {"pHigh", cluster.pHigh}});
    }
    json["clusters"] = std::move(clusters);
    Json judged = verdictJson(verdict);
    judged.erase("clusters");
    judged.erase("fdrCount");
    json["verdict"] = std::move(judged);
    if (time != nullptr) {
        const VerdictOutcome outcome = combinedOutcome(*time, verdict);
        json["runVerdict"] = {{"outcome", outcomeName(outcome)},
                              {"differ", outcome == VerdictOutcome::cannotTell
                                             ? Json(nullptr)
                                             : Json(outcome == VerdictOutcome::differ)}};
    }
    return json;
}

}  // namespace

std::string runJson(const RunResults& run, const std::vector<OutputOutcome>& outputs,
                    const std::string& version, const Verdict* verdict,
                    const SpectrumResult* spectrum) {
    const std::int32_t length = run.parameters.analysisLength;
    Json json;
    json["program"] = "trellmark";
    json["version"] = version;
    json["parameters"] = {{"threshold", run.parameters.impulseThreshold},
                          {"thresholdOfFullScale", run.parameters.thresholdOfFullScale
                                                       ? Json(*run.parameters.thresholdOfFullScale)
                                                       : Json(nullptr)},
                          {"start", run.parameters.startOffset},
                          {"length", length},
                          {"confidence", run.parameters.confidenceLevel.typed},
                          {"align", run.parameters.alignOnImpulse ? "impulse" : "none"},
                          {"scale", run.parameters.scaleToLevel ? "level" : "none"}};
    json["reference"] = setJson(run.referenceFiles, run.referenceStatistics, length);
    json["comparison"] = setJson(run.comparisonFiles, run.comparisonStatistics, length);
    json["result"] = {{"significantCount", run.result.significantCount},
                      {"largestDifference", run.result.largestDifference},
                      {"averageDifference", run.result.accumulatedDifference / length},
                      {"accumulatedDifference", run.result.accumulatedDifference},
                      {"bitsPerSample", figureBitsOf(run)}};
    std::string problems;
    for (const std::string& problem : run.problems) {
        problems += (problems.empty() ? "" : "; ") + problem;
    }
    // Why the run could not do its job; each output's own failure is with it.
    json["error"] = problems.empty() ? Json(nullptr) : Json(problems);
    // Infinite where the renders are identical: null, as every infinity here.
    json["null"] = {{"peakLsb", run.null.peakLsb},          {"peakDbfs", peakDbfs(run.null)},
                    {"peakIndex", run.null.peakIndex},      {"rmsDbfs", rmsDbfs(run.null)},
                    {"nullDepthDb", nullDepthDb(run.null)}, {"correlation", run.null.correlation}};
    if (verdict != nullptr) json["verdict"] = verdictJson(*verdict);
    if (spectrum != nullptr) json["spectrum"] = spectrumJson(*spectrum, verdict);
    Json list = Json::array();
    for (const OutputOutcome& output : outputs) {
        Json entry;
        entry["kind"] = output.kind;
        putText(entry, "path", output.path);
        entry["written"] = output.result.written;
        entry["error"] = output.result.written ? Json(nullptr) : Json(output.result.failure);
        list.push_back(std::move(entry));
    }
    json["outputs"] = std::move(list);
    // Not a number and the infinities have no JSON form; they become null.
    return json.dump(2) + "\n";
}

}  // namespace trellmark
