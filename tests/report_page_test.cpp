#include "report/report_page.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "demo/recordings.hpp"
#include "pipeline/run_pipeline.hpp"
#include "support/no_events.hpp"
#include "support/scratch_directory.hpp"

namespace trellmark {
namespace {

using testing::ScratchDirectory;

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(ReportPage, TextIsEscapedForHtml) {
    struct Case {
        std::string in, out;
    };
    for (const Case& c : std::vector<Case>{
             {"plain/dir", "plain/dir"},
             {"a&b", "a&amp;b"},
             {"</script><b>", "&lt;/script&gt;&lt;b&gt;"},
             {"say \"it's\"", "say &quot;it&#39;s&quot;"},
             {"caf\xC3\xA9", "caf\xC3\xA9"},
             {"", ""},
         }) {
        EXPECT_EQ(htmlEscaped(c.in), c.out) << c.in;
    }
}

TEST(ReportPage, ArraysAreLittleEndianFloat32InBase64) {
    // Expected texts from Python: base64.b64encode(struct.pack('<f', ...)).
    struct Case {
        std::vector<double> values;
        std::string text;
    };
    for (const Case& c : std::vector<Case>{
             {{}, ""},
             {{1.0}, "AACAPw=="},
             {{0.0, 1.0}, "AAAAAAAAgD8="},
             {{-2.5, 0.1, 3e38}, "AAAgwM3MzD3msWF/"},
             {{std::nan("")}, "AADAfw=="},
             {{INFINITY, -0.0}, "AACAfwAAAIA="},
         }) {
        EXPECT_EQ(float32Base64(c.values), c.text) << c.values.size();
    }
}

// A run of a few samples, with names that try to break out of the page.
RunResults smallRun(const std::string& directory) {
    RunResults run;
    run.parameters.impulseThreshold = 1000;
    run.parameters.analysisLength = 6;
    run.parameters.confidenceLevel = 95;
    run.referenceFiles = {directory, "</script><script>alert(1)</script>", 1, {}, {}};
    run.comparisonFiles = {directory, "b&c", 1, {}, {}};
    for (SetStatistics* set : {&run.referenceStatistics, &run.comparisonStatistics}) {
        set->fileCount = 2;
        set->mean = {1, 2, 3, 4, 5, 6};
        set->stdDev = {1, 1, 1, 1, 1, 1};
        set->levels = {100, 100};
        set->files = {{directory + "/x1.wav", {}, 0, 5, FileNote::none},
                      {directory + "/x2.wav", {}, 0, std::nullopt, FileNote::noImpulse}};
    }
    run.result.differenceSignal.assign(6, 0);
    run.scaleFile.sampleRate = 44100;
    run.scaleFile.bitsPerSample = 16;
    return run;
}

TEST(ReportPage, HoldsEverythingItNeedsAndNoNameCanBreakOutOfItsScripts) {
    const RunResults run = smallRun("/rec/<dir>");
    Verdict verdict;
    verdict.outcome = VerdictOutcome::doNotDiffer;
    verdict.clusters = {{1, 2, 3.5, 2, 0.25, 0.2, 0.3}};
    const std::string page = reportPageText(run, &verdict);
    // Four scripts of the page's own; the names' "<script" stays text.
    EXPECT_EQ(occurrences(page, "<script"), 4u);
    EXPECT_EQ(occurrences(page, "</script>"), 4u);
    EXPECT_NE(page.find("&lt;/script&gt;&lt;script&gt;alert(1)"), std::string::npos);
    EXPECT_NE(page.find("b&amp;c*.wav"), std::string::npos);
    // Nothing is fetched from anywhere, and the page forbids it.
    for (const char* reaching : {" src=", " href=", "<link", "@import", "url(", "<iframe"}) {
        EXPECT_EQ(page.find(reaching), std::string::npos) << reaching;
    }
    EXPECT_NE(page.find("content=\"default-src 'none';"), std::string::npos);
    EXPECT_NE(page.find("Verdict: the sets do not differ detectably (smallest cluster p = 0.25)"),
              std::string::npos);
    EXPECT_NE(page.find("No sample in this file is above the impulse threshold."),
              std::string::npos)
        << "the note of x2.wav";
    EXPECT_NE(page.find("\"interval\":\"(0.2 to 0.3)\""), std::string::npos);
    EXPECT_EQ(reportPageText(run, &verdict), page);  // the same run, the same bytes
    const std::string withoutVerdict = reportPageText(run, nullptr);
    EXPECT_NE(withoutVerdict.find("No verdict was computed."), std::string::npos);
    EXPECT_NE(withoutVerdict.find("\"clusters\":[]"), std::string::npos);
}

TEST(ReportPage, NeverReplacesARecordingTheRunRead) {
    ScratchDirectory dir;
    dir.writeFile("x1.wav", "RIFF recording");
    RunResults run = smallRun(dir.path());
    run.referenceFiles.paths = {dir / "x1.wav"};
    const WriteResult outcome = writeReportPage(run, nullptr, dir / "x1.wav");
    EXPECT_FALSE(outcome.written);
    EXPECT_FALSE(outcome.failure.empty());
    std::ifstream kept(dir / "x1.wav");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "RIFF recording");

    const WriteResult page = writeReportPage(run, nullptr, dir / "page.html");
    EXPECT_TRUE(page.written) << page.failure;
    std::ifstream written(dir / "page.html");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}),
              reportPageText(run, nullptr));
}

// The first of the browsers Debian names that is on the path, or empty.
std::string findChromium() {
    for (const char* name : {"chromium", "chromium-browser", "google-chrome"}) {
        const std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) return name;
    }
    return {};
}

// What the browser's --dump-dom printed, after the page's scripts ran.
std::string dumpDom(const std::string& browser, const std::string& url) {
    const std::string command = "timeout 120 " + browser +
                                " --headless --disable-gpu --no-sandbox --no-first-run "
                                "--virtual-time-budget=15000 --dump-dom '" +
                                url + "' 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {};
    std::string out;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

std::string selfTestOutput(const std::string& dom) {
    const std::size_t start = dom.find("<pre id=\"selftest\"");
    if (start == std::string::npos) return {};
    const std::size_t open = dom.find('>', start);
    const std::size_t end = dom.find("</pre>", open);
    return dom.substr(open + 1, end - open - 1);
}

// The page at `path` opened with "#selftest": the DOM after its scripts ran,
// or, when no browser here can open it, why not (the test is then skipped).
struct OpenedPage {
    std::string dom;
    std::string skip;
};

OpenedPage openWithSelfTest(const std::string& path) {
    const std::string browser = findChromium();
    if (browser.empty()) return {{}, "Chromium is not installed: the page is not opened"};
    std::string dom = dumpDom(browser, "file://" + path + "#selftest");
    if (dom.find("<html") == std::string::npos) {
        return {{}, browser + " could not start here (no page came back)"};
    }
    return {std::move(dom), {}};
}

// The page of the demo run in a real browser: it loads without a script error, shows the
// verdict, draws three charts, and a click on the first cluster sets every chart's range to it.
TEST(ReportPageInBrowser, TheDemoRunsPageRendersAndItsClusterTableZoomsTheCharts) {
    ScratchDirectory dir;
    ASSERT_TRUE(demo::makeDemoSets(dir.path()).written);
    RunRequest request;
    request.parameters.impulseThreshold = 16000;
    request.parameters.analysisLength = 44100;
    request.parameters.confidenceLevel = 95;
    request.verdict.wanted = true;
    const RunState state = analyseSets(request, findFileSet(dir / "reference", "take"),
                                       findFileSet(dir / "comparison", "take"), noEvents());
    const RunResults& run = state.run;
    ASSERT_TRUE(state.verdict);
    const Verdict& verdict = *state.verdict;
    ASSERT_EQ(verdict.outcome, VerdictOutcome::differ);
    const std::string path = dir / "page.html";
    ASSERT_TRUE(writeReportPage(run, &verdict, path).written);

    const OpenedPage opened = openWithSelfTest(path);
    if (!opened.skip.empty()) GTEST_SKIP() << opened.skip;
    const std::string& dom = opened.dom;
    const std::string result = selfTestOutput(dom);
    EXPECT_NE(result.find("selftest: pass"), std::string::npos) << result;
    EXPECT_NE(result.find("verdict: Verdict: the sets differ (cluster p = 0.00794)"),
              std::string::npos)
        << result;
    EXPECT_NE(result.find("charts: 3"), std::string::npos) << result;
    EXPECT_NE(result.find("cluster rows: 10"), std::string::npos) << result;
    // The first listed cluster is indices 11026 to 11033: with 8 samples on either side.
    EXPECT_NE(result.find("chart 3 x: 11018 to 11041"), std::string::npos) << result;
}

// With the spectrum the page draws its two charts too, and its script still runs clean.
TEST(ReportPageInBrowser, TheSpectrumsChartsDrawBesideTheOthers) {
    ScratchDirectory dir;
    ASSERT_TRUE(demo::makeDemoSets(dir.path()).written);
    RunRequest request;
    request.parameters.impulseThreshold = 16000;
    request.parameters.analysisLength = 44100;
    request.parameters.confidenceLevel = 95;
    request.verdict.wanted = true;
    request.spectrum.wanted = true;
    const RunState state = analyseSets(request, findFileSet(dir / "reference", "take"),
                                       findFileSet(dir / "comparison", "take"), noEvents());
    ASSERT_TRUE(state.verdict && state.spectrum);
    const std::string path = dir / "page.html";
    ASSERT_TRUE(writeReportPage(state.run, &*state.verdict, path, &*state.spectrum).written);
    EXPECT_NE(reportPageText(state.run, &*state.verdict, &*state.spectrum)
                  .find("   Spectrum (4096-point, 20 segments, 10.8 Hz per bin):"),
              std::string::npos);

    const OpenedPage opened = openWithSelfTest(path);
    if (!opened.skip.empty()) GTEST_SKIP() << opened.skip;
    const std::string& dom = opened.dom;
    const std::string result = selfTestOutput(dom);
    EXPECT_NE(result.find("selftest: pass"), std::string::npos) << result;
    for (const char* chart : {"<div id=\"chart-spectrum\"", "<div id=\"chart-spectrum-t\""}) {
        const std::size_t at = dom.find(chart);
        ASSERT_NE(at, std::string::npos) << chart;
        EXPECT_NE(dom.find("<canvas", at), std::string::npos) << chart;
    }
}

// A run without a test (no t, no critical values) and without a verdict still gives a page
// whose charts draw and whose script runs without an error.
TEST(ReportPageInBrowser, APageWithoutTestOrVerdictStillDrawsItsCharts) {
    ScratchDirectory dir;
    const std::string path = dir / "page.html";
    ASSERT_TRUE(writeReportPage(smallRun(dir.path()), nullptr, path).written);
    const OpenedPage opened = openWithSelfTest(path);
    if (!opened.skip.empty()) GTEST_SKIP() << opened.skip;
    const std::string& dom = opened.dom;
    const std::string result = selfTestOutput(dom);
    EXPECT_NE(result.find("selftest: pass"), std::string::npos) << result;
    EXPECT_NE(result.find("verdict: No verdict was computed."), std::string::npos) << result;
    EXPECT_NE(result.find("charts: 3"), std::string::npos) << result;
    EXPECT_NE(result.find("cluster rows: 0"), std::string::npos) << result;
}

// A page of two channels: six charts, one view for all of them, and a click
// on the cluster of channel 2 (channel 1 has none) zooms every chart onto it.
TEST(ReportPageInBrowser, APageOfEveryChannelZoomsAllItsChartsTogether) {
    ScratchDirectory dir;
    std::vector<ChannelRun> channels(2);
    for (int c = 0; c < 2; ++c) {
        RunResults& run = channels[c].run;
        run = smallRun(dir.path());
        run.parameters.analysisLength = 200;
        run.parameters.channel = static_cast<std::int16_t>(c);
        for (SetStatistics* set : {&run.referenceStatistics, &run.comparisonStatistics}) {
            set->mean.assign(200, 10.0 * (c + 1));
            set->stdDev.assign(200, 1.0);
        }
        run.result.differenceSignal.assign(200, 0);
        channels[c].verdict.alpha = 0.05;
    }
    channels[1].verdict.clusters = {{120, 129, 40.5, 10, 0.01, 0.01, 0.01, 1}};
    Verdict across;
    across.outcome = VerdictOutcome::differ;
    across.alpha = 0.05;
    across.exact = true;
    across.clusters = channels[1].verdict.clusters;
    const std::string path = dir / "page.html";
    ASSERT_TRUE(writeChannelsPage(channels, &across, path).written);

    const OpenedPage opened = openWithSelfTest(path);
    if (!opened.skip.empty()) GTEST_SKIP() << opened.skip;
    const std::string& dom = opened.dom;
    const std::string result = selfTestOutput(dom);
    EXPECT_NE(result.find("selftest: pass"), std::string::npos) << result;
    EXPECT_NE(result.find("verdict: Verdict across 2 channels: the sets differ (cluster p = 0.01)"),
              std::string::npos)
        << result;
    EXPECT_NE(result.find("charts: 6"), std::string::npos) << result;
    EXPECT_NE(result.find("cluster rows: 1"), std::string::npos) << result;
    // Indices 120 to 129 with 10 on either side, in every chart of both channels.
    EXPECT_NE(result.find("chart 6 x: 110 to 139"), std::string::npos) << result;
    EXPECT_NE(result.find("chart 1 x: 110 to 139"), std::string::npos) << result;
    EXPECT_NE(dom.find("<p id=\"clusters-1\">No cluster with p below 0.5.</p>"), std::string::npos);
}

}  // namespace
}  // namespace trellmark
