#include "report/report_page.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "io/output_file.hpp"
#include "report/derived_series.hpp"
#include "report/page_assets.hpp"
#include "report/plain_line_target.hpp"
#include "report/run_lines.hpp"
#include "report/run_title.hpp"
#include "report/spectrum_lines.hpp"
#include "report/verdict_lines.hpp"

namespace trellmark {
namespace {

// Clusters the charts mark: beyond this many (all with p < 0.5) the rest are
// chance's and would only make the page larger.
constexpr std::size_t markedClusters = 5000;

std::string pText(double p) {
    if (std::isnan(p)) return "unknown";
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", p);
    return text;
}

std::string fixedText(double value, int decimals) {
    if (std::isinf(value)) return value > 0 ? "infinite" : "-infinite";
    if (std::isnan(value)) return "unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Whether both values become the same float32 bits (NaN with NaN too).
bool sameFloat32(double a, double b) {
    const float x = static_cast<float>(a);
    const float y = static_cast<float>(b);
    return std::memcmp(&x, &y, sizeof x) == 0;
}

// What a run of lines writes, as the plain text standard output shows.
template <class Write>
std::string plainLines(Write write) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    if (file == nullptr) return {};
    {
        PlainLineTarget target(file);
        write(target);
    }
    std::fclose(file);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

// JSON that may stand inside a script element: no "</" can end it early.
std::string scriptSafeJson(const nlohmann::json& value) {
    std::string text = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        safe += text[i];
        if (text[i] == '<' && i + 1 < text.size() && text[i + 1] == '/') safe += '\\';
    }
    return safe;
}

// The listed clusters first (p < 0.5, smallest p first, as the result lines
// list them), then in the same order the rest the charts mark.
nlohmann::json clusterList(const Verdict& verdict) {
    std::vector<const ClusterVerdict*> clusters;
    for (const ClusterVerdict& cluster : verdict.clusters) {
        if (cluster.p < listedClusterP) clusters.push_back(&cluster);
    }
    std::stable_sort(clusters.begin(), clusters.end(),
                     [](const ClusterVerdict* a, const ClusterVerdict* b) { return a->p < b->p; });
    if (clusters.size() > markedClusters) clusters.resize(markedClusters);
    nlohmann::json list = nlohmann::json::array();
    for (const ClusterVerdict* cluster : clusters) {
        std::string interval;
        if (!verdict.exact)
            interval = "(" + pText(cluster->pLow) + " to " + pText(cluster->pHigh) + ")";
        list.push_back({{"first", cluster->first},
                        {"last", cluster->last},
                        {"size", cluster->last - cluster->first + 1},
                        {"mass", fixedText(cluster->mass, 2)},
                        {"p", std::isnan(cluster->p) ? 1.0 : cluster->p},
                        {"pText", pText(cluster->p)},
                        {"interval", interval}});
    }
    return list;
}

std::string row(std::initializer_list<std::string> cells, const char* cell = "td") {
    std::string text = "<tr>";
    for (const std::string& c : cells) {
        text += std::string("<") + cell + ">" + htmlEscaped(c) + "</" + cell + ">";
    }
    return text + "</tr>\n";
}

std::string parameterTable(const RunResults& run, const Verdict* verdict) {
    const AnalysisParameters& p = run.parameters;
    const auto set = [](const FileSet& files) {
        return fileSetName(files) + " (" + std::to_string(files.count) +
               (files.count == 1 ? " file)" : " files)");
    };
    std::string text = "<table class=\"facts\">\n";
    text += row({"Reference set", set(run.referenceFiles)});
    text += row({"Comparison set", set(run.comparisonFiles)});
    text += row({"Impulse threshold", std::to_string(p.impulseThreshold)});
    text += row({"Start offset after the impulse", std::to_string(p.startOffset) + " samples"});
    text += row({"Analysis length", std::to_string(p.analysisLength) + " samples"});
    text += row({"Confidence level", std::to_string(p.confidenceLevel.typed) + " %"});
    text += row({"Sample rate, depth", std::to_string(run.scaleFile.sampleRate) + " Hz, " +
                                           std::to_string(figureBitsOf(run)) + " bit"});
    if (verdict != nullptr && verdict->permutations > 0) {
        text +=
            row({"Permutation test",
                 std::to_string(verdict->permutations) +
                     (verdict->exact ? " splits, every split enumerated (p exact)"
                                     : " random splits, seed " + std::to_string(verdict->seed)) +
                     "; clusters compared by their " +
                     (verdict->statistic == ClusterStatistic::mass ? "mass" : "size")});
    }
    return text + "</table>\n";
}

std::string fileTable(const char* role, const SetStatistics& statistics) {
    std::string text = "<table class=\"files\">\n";
    text += row({"", std::string(role) + " file", "Impulse at", "Level", "Note"}, "th");
    for (std::size_t k = 0; k < statistics.files.size(); ++k) {
        const FileReading& file = statistics.files[k];
        const double level = k < statistics.levels.size() ? statistics.levels[k] : std::nan("");
        text += row({std::to_string(k + 1), file.path,
                     file.impulse ? std::to_string(*file.impulse) : "none", fixedText(level, 2),
                     std::string(noteSentence(file.note))});
    }
    return text + "</table>\n";
}

// The per-index arrays the charts draw, each as base64 float32.
nlohmann::json chartData(const RunResults& run, const Verdict* verdict,
                         const SpectrumResult* spectrum) {
    const DerivedSeries series = deriveSeries(run);
    const auto length = static_cast<std::size_t>(std::max(run.parameters.analysisLength, 0));
    std::vector<double> criticalDifference;
    if (series.criticalT.size() == length && series.standardError.size() == length) {
        criticalDifference.resize(length);
        for (std::size_t i = 0; i < length; ++i) {
            criticalDifference[i] = std::fabs(series.criticalT[i] * series.standardError[i]);
        }
    }
    const auto cut = [length](const std::vector<double>& values) {
        if (values.size() < length) return std::string();
        // An array of one value throughout (the critical t of sets of equal size) is that
        // value once, after a star.
        const bool constant =
            length > 1 && std::all_of(values.begin(), values.begin() + length,
                                      [&](double v) { return sameFloat32(v, values[0]); });
        if (constant) return "*" + float32Base64({values[0]});
        return float32Base64(std::vector<double>(values.begin(), values.begin() + length));
    };
    nlohmann::json data = {
        {"length", length},
        {"startOffset", run.parameters.startOffset},
        {"sampleRate", run.scaleFile.sampleRate},
        {"bits", figureBitsOf(run)},
        {"confidence", run.parameters.confidenceLevel.typed},
        {"alpha", verdict != nullptr ? verdict->alpha : 0.0},
        {"referenceMean", cut(run.referenceStatistics.mean)},
        {"referenceStdDev", cut(run.referenceStatistics.stdDev)},
        {"comparisonMean", cut(run.comparisonStatistics.mean)},
        {"comparisonStdDev", cut(run.comparisonStatistics.stdDev)},
        {"t", cut(run.result.t)},
        {"criticalT", cut(series.criticalT)},
        {"criticalDifference", cut(criticalDifference)},
        {"clusters", verdict != nullptr ? clusterList(*verdict) : nlohmann::json::array()}};
    if (spectrum != nullptr && !spectrum->referenceMeanDb.empty()) {
        nlohmann::json significantBins = nlohmann::json::array();
        for (std::size_t i = 0; i < spectrum->verdict.significant.size(); ++i) {
            if (spectrum->verdict.significant[i] != 0) significantBins.push_back(i + 1);
        }
        nlohmann::json clusters = nlohmann::json::array();
        for (const ClusterVerdict& cluster : spectrum->verdict.clusters) {
            clusters.push_back(
                {{"firstBin", cluster.first}, {"lastBin", cluster.last}, {"p", cluster.p}});
        }
        data["spectrum"] = {{"binHz", spectrum->binHz},
                            {"referenceMeanDb", float32Base64(spectrum->referenceMeanDb)},
                            {"referenceSdDb", float32Base64(spectrum->referenceSdDb)},
                            {"comparisonMeanDb", float32Base64(spectrum->comparisonMeanDb)},
                            {"comparisonSdDb", float32Base64(spectrum->comparisonSdDb)},
                            {"t", float32Base64(spectrum->verdict.t)},
                            {"significantBins", std::move(significantBins)},
                            {"clusters", std::move(clusters)}};
    }
    return data;
}

}  // namespace

std::string htmlEscaped(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string float32Base64(const std::vector<double>& values) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    bytes.reserve(values.size() * 4);
    for (double v : values) {
        const float f = static_cast<float>(v);
        std::uint32_t bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        for (int shift = 0; shift < 32; shift += 8)
            bytes += static_cast<char>((bits >> shift) & 0xFF);
    }
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]))
                              << 16;
        if (left > 1)
            group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (left > 2) group |= static_cast<unsigned char>(bytes[i + 2]);
        text += alphabet[(group >> 18) & 63];
        text += alphabet[(group >> 12) & 63];
        text += left > 1 ? alphabet[(group >> 6) & 63] : '=';
        text += left > 2 ? alphabet[group & 63] : '=';
    }
    return text;
}

namespace {

// Everything before the charts: the head with its styles, the title and the verdict.
std::string pageStart(const std::string& title, const std::string& sentence) {
    std::string page;
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    // Nothing on the page may reach out: every byte it needs is in it.
    page +=
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
        "script-src 'unsafe-inline'; style-src 'unsafe-inline'; img-src data:\">\n";
    page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    page += "<title>" + htmlEscaped(title) + "</title>\n";
    // Errors of any script below are kept for the page's self-test, which also
    // reports them when the charts' script failed before it could test.
    page +=
        "<script>window.pageErrors=[];window.addEventListener('error',function(e){"
        "window.pageErrors.push(String(e.message));});"
        "if(location.hash==='#selftest')window.addEventListener('load',function(){"
        "setTimeout(function(){var o=document.getElementById('selftest');"
        "if(o&&!o.textContent){o.textContent='selftest: fail: '+"
        "(window.pageErrors.join('; ')||'the self-test did not run');o.hidden=false;}},"
        "2000);});</script>\n";
    page += "<style>\n";
    page += chartLibraryStyle();
    page += "\n";
    page += pageStyle();
    page += "</style>\n</head>\n<body>\n";
    page += "<h1>" + htmlEscaped(title) + "</h1>\n";
    page += "<p id=\"verdict\" class=\"verdict\">" + htmlEscaped(sentence) + "</p>\n";
    return page;
}

constexpr const char* chartControls =
    "<div class=\"controls\">"
    "<button id=\"reset\" type=\"button\">Whole window</button>"
    "<button id=\"left\" type=\"button\">\u25C0 Pan</button>"
    "<button id=\"right\" type=\"button\">Pan \u25B6</button>"
    "<button id=\"out\" type=\"button\">Zoom out</button>"
    "<span id=\"range\"></span></div>\n"
    "<p class=\"hint\">Drag across a chart to zoom in, turn the mouse wheel over it to "
    "zoom around the pointer, use the buttons or the arrow keys to pan. Where a pixel "
    "column holds many samples, each curve shows their smallest and largest value.</p>\n";

constexpr const char* clusterHint =
    "<p class=\"hint\">Click a cluster to zoom every chart onto it "
    "(with a margin of its own length on each side).</p>\n";

// The three charts' places, their ids ending in `suffix`.
std::string chartPlaces(const std::string& suffix) {
    std::string places;
    for (const char* chart : {"chart-means", "chart-difference", "chart-t"}) {
        places += "<div id=\"" + std::string(chart) + suffix + "\" class=\"chart\"></div>\n";
    }
    return places;
}

// The run's data and the scripts that draw it; the end of the page.
std::string pageEnd(const nlohmann::json& data) {
    std::string page = "<pre id=\"selftest\" hidden></pre>\n";
    page +=
        "<script type=\"application/json\" id=\"run-data\">" + scriptSafeJson(data) + "</script>\n";
    page += "<script>\n";
    page += chartLibraryScript();
    page += "\n</script>\n<script>\n";
    page += pageScript();
    page += "\n</script>\n</body>\n</html>\n";
    return page;
}

std::string channelHeading(const ChannelRun& channel, std::size_t channels) {
    return "Channel " + std::to_string(channel.run.parameters.channel + 1) + " of " +
           std::to_string(channels);
}

}  // namespace

std::string reportPageText(const RunResults& run, const Verdict* verdict,
                           const SpectrumResult* spectrum) {
    const auto length = static_cast<std::int32_t>(std::max(run.parameters.analysisLength, 0));
    const std::string results = plainLines([&](LineTarget& out) {
        writeComparisonSummary(out, run.result, length, figureBitsOf(run));
        if (verdict != nullptr) writeVerdictLines(out, *verdict, run.parameters.confidenceLevel);
        if (verdict != nullptr && spectrum != nullptr) {
            writeSpectrumLines(out, *spectrum, *verdict, run.parameters.confidenceLevel);
        }
    });
    const std::string sentence =
        verdict != nullptr ? "Verdict: " + verdictSentence(*verdict) : "No verdict was computed.";

    std::string page = pageStart(runTitle(run), sentence);
    page += "<section id=\"charts\">\n";
    page += chartControls;
    page += chartPlaces("") + "</section>\n";
    page += "<h2>Clusters</h2>\n";
    page += clusterHint;
    page += "<table id=\"clusters\" class=\"clusters\"></table>\n";
    if (spectrum != nullptr && !spectrum->referenceMeanDb.empty()) {
        page +=
            "<h2>Spectrum</h2>\n<section id=\"spectrum\">\n<p class=\"hint\">Drag across a "
            "chart to zoom into a band of frequencies, double-click for all of them.</p>\n"
            "<div id=\"chart-spectrum\" class=\"chart\"></div>\n"
            "<div id=\"chart-spectrum-t\" class=\"chart\"></div>\n</section>\n";
    }
    page += "<h2>Results</h2>\n<pre id=\"results\">" + htmlEscaped(results) + "</pre>\n";
    page += "<h2>Parameters</h2>\n" + parameterTable(run, verdict);
    page += "<h2>Files</h2>\n" + fileTable("Reference", run.referenceStatistics) +
            fileTable("Comparison", run.comparisonStatistics);
    return page + pageEnd(chartData(run, verdict, spectrum));
}

std::string channelsPageText(std::span<const ChannelRun> channels, const Verdict* across) {
    const RunResults& first = channels.front().run;
    const ConfidenceLevel confidence = first.parameters.confidenceLevel;
    const auto length = static_cast<std::int32_t>(std::max(first.parameters.analysisLength, 0));
    const std::string results = plainLines([&](LineTarget& out) {
        for (const ChannelRun& channel : channels) {
            out.text("   " + channelHeading(channel, channels.size()) + ":");
            out.lineEnd();
            out.lineEnd();
            writeComparisonSummary(out, channel.run.result, length, figureBitsOf(channel.run));
        }
        if (across != nullptr) {
            writeLabelledLines(out, channelVerdictLines(channels, *across, confidence));
        }
    });
    const std::string sentence = across != nullptr
                                     ? "Verdict across " + std::to_string(channels.size()) +
                                           " channels: " + verdictSentence(*across)
                                     : "No verdict was computed.";

    std::string page = pageStart(runTitle(first), sentence);
    page += "<section id=\"charts\">\n";
    page += chartControls;
    page += clusterHint;
    std::string files;
    nlohmann::json data = {{"channels", nlohmann::json::array()}};
    for (std::size_t c = 0; c < channels.size(); ++c) {
        const ChannelRun& channel = channels[c];
        const std::string heading = htmlEscaped(channelHeading(channel, channels.size()));
        const std::string suffix = "-" + std::to_string(c + 1);
        const Verdict* verdict = across != nullptr ? &channel.verdict : nullptr;
        page += "<h2 class=\"channel\">" + heading + "</h2>\n";
        page += chartPlaces(suffix);
        page +=
            "<h3>Clusters</h3>\n<table id=\"clusters" + suffix + "\" class=\"clusters\"></table>\n";
        files += "<h3>" + heading + "</h3>\n" +
                 fileTable("Reference", channel.run.referenceStatistics) +
                 fileTable("Comparison", channel.run.comparisonStatistics);
        data["channels"].push_back(chartData(channel.run, verdict, nullptr));
    }
    page += "</section>\n";
    page += "<h2>Results</h2>\n<pre id=\"results\">" + htmlEscaped(results) + "</pre>\n";
    page += "<h2>Parameters</h2>\n" + parameterTable(first, across);
    page += "<h2>Files</h2>\n" + files;
    return page + pageEnd(data);
}

namespace {

WriteResult writePageText(const std::string& page, const std::string& path, const RunResults& run) {
    const std::vector<FileIdentity> inputs = recordingsRead(run);
    std::string failure;
    OutputFile file = openOutputFile(path, inputs, failure);
    if (file.fd < 0) return {false, failure};
    const bool written = writeOutputBytes(file, page, failure);
    if (!finishOutputFile(file, written, false, failure)) return {false, failure};
    return {true, {}};
}

}  // namespace

WriteResult writeReportPage(const RunResults& run, const Verdict* verdict, const std::string& path,
                            const SpectrumResult* spectrum) {
    return writePageText(reportPageText(run, verdict, spectrum), path, run);
}

WriteResult writeChannelsPage(std::span<const ChannelRun> channels, const Verdict* across,
                              const std::string& path) {
    if (channels.empty()) return {false, "the page has no channel to show"};
    return writePageText(channelsPageText(channels, across), path, channels.front().run);
}

}  // namespace trellmark
