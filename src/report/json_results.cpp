#include "report/json_results.hpp"

#include <nlohmann/json.hpp>
#include <string_view>
#include <tuple>

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
    const std::string note = fileNoteSentences(file);
    json["note"] = note.empty() ? Json(nullptr) : Json(note);
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

Json verdictJson(const Verdict& verdict, bool clusterChannels = false) {
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
        if (clusterChannels) clusters.back()["channel"] = cluster.channel + 1;
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

Json parametersJson(const AnalysisParameters& parameters) {
    return {
        {"threshold", parameters.impulseThreshold},
        {"thresholdOfFullScale",
         parameters.thresholdOfFullScale ? Json(*parameters.thresholdOfFullScale) : Json(nullptr)},
        {"start", parameters.startOffset},
        {"length", parameters.analysisLength},
        {"confidence", parameters.confidenceLevel.typed},
        {"align", parameters.alignOnImpulse ? "impulse" : "none"},
        {"scale", parameters.scaleToLevel ? "level" : "none"}};
}

Json resultJson(const RunResults& run) {
    return {{"significantCount", run.result.significantCount},
            {"largestDifference", run.result.largestDifference},
            {"averageDifference", run.result.accumulatedDifference / run.parameters.analysisLength},
            {"accumulatedDifference", run.result.accumulatedDifference},
            {"bitsPerSample", figureBitsOf(run)}};
}

Json errorJson(const RunResults& run) {
    std::string problems;
    for (const std::string& problem : run.problems) {
        problems += (problems.empty() ? "" : "; ") + problem;
    }
    // Why the run could not do its job; each output's own failure is with it.
    return problems.empty() ? Json(nullptr) : Json(problems);
}

// Infinite where the renders are identical: null, as every infinity here.
Json nullJson(const NullFigures& null) {
    return {{"peakLsb", null.peakLsb},          {"peakDbfs", peakDbfs(null)},
            {"peakIndex", null.peakIndex},      {"rmsDbfs", rmsDbfs(null)},
            {"nullDepthDb", nullDepthDb(null)}, {"correlation", null.correlation}};
}

Json outputsJson(const std::vector<OutputOutcome>& outputs) {
    Json list = Json::array();
    for (const OutputOutcome& output : outputs) {
        Json entry;
        entry["kind"] = output.kind;
        putText(entry, "path", output.path);
        entry["written"] = output.result.written;
        entry["error"] = output.result.written ? Json(nullptr) : Json(output.result.failure);
        list.push_back(std::move(entry));
    }
    return list;
}

// The notes a channel found, per file: a file may be silent on one channel only.
Json channelNotesJson(const RunResults& run) {
    Json notes = Json::array();
    for (const SetStatistics* set : {&run.referenceStatistics, &run.comparisonStatistics}) {
        for (const FileReading& file : set->files) {
            const std::string note = fileNoteSentences(file);
            if (note.empty()) continue;
            Json entry;
            putText(entry, "path", file.path);
            entry["note"] = note;
            notes.push_back(std::move(entry));
        }
    }
    return notes;
}

}  // namespace

std::string runJson(const RunResults& run, const std::vector<OutputOutcome>& outputs,
                    const std::string& version, const Verdict* verdict,
                    const SpectrumResult* spectrum) {
    const std::int32_t length = run.parameters.analysisLength;
    Json json;
    json["program"] = "trellmark";
    json["version"] = version;
    json["parameters"] = parametersJson(run.parameters);
    json["reference"] = setJson(run.referenceFiles, run.referenceStatistics, length);
    json["comparison"] = setJson(run.comparisonFiles, run.comparisonStatistics, length);
    json["result"] = resultJson(run);
    json["error"] = errorJson(run);
    json["null"] = nullJson(run.null);
    if (verdict != nullptr) json["verdict"] = verdictJson(*verdict);
    if (spectrum != nullptr) json["spectrum"] = spectrumJson(*spectrum, verdict);
    json["outputs"] = outputsJson(outputs);
    // Not a number and the infinities have no JSON form; they become null.
    return json.dump(2) + "\n";
}

std::string channelsJson(std::span<const ChannelRun> channels, const Verdict* across,
                         const std::vector<OutputOutcome>& outputs, const std::string& version) {
    const RunResults& first = channels.front().run;
    const std::int32_t length = first.parameters.analysisLength;
    Json json;
    json["program"] = "trellmark";
    json["version"] = version;
    json["parameters"] = parametersJson(first.parameters);
    json["parameters"]["channel"] = "all";
    json["parameters"]["channels"] = channels.size();
    json["reference"] = setJson(first.referenceFiles, first.referenceStatistics, length);
    json["comparison"] = setJson(first.comparisonFiles, first.comparisonStatistics, length);
    for (const char* set : {"reference", "comparison"}) {
        for (Json& file : json[set]["files"]) {
            file.erase("channel");
            file.erase("impulse");
            file.erase("level");
            file.erase("note");
        }
        json[set].erase("largestStdDev");
        json[set].erase("averageStdDev");
    }
    Json list = Json::array();
    for (const ChannelRun& channel : channels) {
        const RunResults& run = channel.run;
        Json entry;
        entry["channel"] = run.parameters.channel + 1;
        for (const auto& [key, set, statistics] :
             {std::tuple{"reference", &run.referenceFiles, &run.referenceStatistics},
              std::tuple{"comparison", &run.comparisonFiles, &run.comparisonStatistics}}) {
            const Json whole = setJson(*set, *statistics, length);
            Json takes = Json::array();
            for (const Json& file : whole["files"]) {
                takes.push_back({{"impulse", file["impulse"]}, {"level", file["level"]}});
            }
            entry[key] = {{"takes", std::move(takes)},
                          {"largestStdDev", whole["largestStdDev"]},
                          {"averageStdDev", whole["averageStdDev"]}};
        }
        entry["notes"] = channelNotesJson(run);
        entry["result"] = resultJson(run);
        entry["null"] = nullJson(run.null);
        if (across != nullptr) entry["verdict"] = verdictJson(channel.verdict);
        list.push_back(std::move(entry));
    }
    json["channels"] = std::move(list);
    json["error"] = errorJson(first);
    if (across != nullptr) json["verdict"] = verdictJson(*across, true);
    json["outputs"] = outputsJson(outputs);
    return json.dump(2) + "\n";
}

}  // namespace trellmark
