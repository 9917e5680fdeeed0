// Time to write the report page of a run of 1 s at 44.1 kHz and of 60 s, and the page's size:
// every per-index array goes into the page as base64 float32, about 32 bytes a sample when the
// critical t is the same throughout (sets of equal size), 37 otherwise.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "report/report_page.hpp"

namespace trellmark {
namespace {

RunResults syntheticRun(std::size_t count) {
    RunResults run;
    run.parameters.impulseThreshold = 16000;
    run.parameters.analysisLength = static_cast<std::int32_t>(count);
    run.parameters.confidenceLevel = 95;
    run.referenceFiles = {"/recordings/a", "take", 5, {}, {}};
    run.comparisonFiles = {"/recordings/b", "take", 5, {}, {}};
    for (SetStatistics* set : {&run.referenceStatistics, &run.comparisonStatistics}) {
        set->fileCount = 5;
        set->mean.resize(count);
        set->stdDev.resize(count);
    }
    run.result.t.resize(count);
    run.result.degreesOfFreedom.assign(count, 8);
    run.result.differenceSignal.assign(count, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const double x = static_cast<double>(i);
        run.referenceStatistics.mean[i] = 8000 * std::sin(x * 0.0627) + 3000 * std::sin(x * 0.91);
        run.comparisonStatistics.mean[i] =
            run.referenceStatistics.mean[i] + 0.8 * std::sin(x * 0.013);
        run.referenceStatistics.stdDev[i] = 1.2 + 0.1 * std::sin(x * 0.37);
        run.comparisonStatistics.stdDev[i] = 1.2 + 0.1 * std::cos(x * 0.37);
        run.result.t[i] = -0.8 * std::sin(x * 0.013) / std::sqrt(2 * 1.44 / 5);
    }
    run.scaleFile.sampleRate = 44100;
    run.scaleFile.bitsPerSample = 16;
    return run;
}

void BM_WriteReportPage(benchmark::State& state) {
    const RunResults run = syntheticRun(static_cast<std::size_t>(state.range(0)));
    Verdict verdict;
    verdict.outcome = VerdictOutcome::doNotDiffer;
    verdict.alpha = 0.05;
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("tm_bench_page_" + std::to_string(::getpid()) + ".html"))
                                 .string();
    for (auto _ : state) {
        const WriteResult outcome = writeReportPage(run, &verdict, path);
        if (!outcome.written) state.SkipWithError(outcome.failure.c_str());
    }
    std::error_code error;
    state.counters["page_mb"] = static_cast<double>(std::filesystem::file_size(path, error)) / 1e6;
    std::filesystem::remove(path, error);
}

// 1 s and 60 s at 44.1 kHz.
BENCHMARK(BM_WriteReportPage)->Arg(44100)->Arg(2646000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace trellmark
