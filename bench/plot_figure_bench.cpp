// Time to write the figure of a run of 1 s and of 60 s at 48 kHz in each format, and the memory
// the writing takes beyond the run's own arrays: the arrays are reduced to pixel columns, so it
// must not grow with the window's length (the PNG image itself is 6.4 MB at 1600 x 1000).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "plot/figure_file.hpp"

namespace trellmark {
namespace {

// Kilobytes of a "Vm...:" line of /proc/self/status.
double statusKilobytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string name;
    double value = 0;
    while (status >> name) {
        if (name == field + ":") {
            status >> value;
            return value;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

// Lets the peak resident size start again from the current one.
void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Run {
    std::vector<double> mean1, sd1, mean2, sd2, difference, t, critical, error;
    std::vector<std::uint8_t> significant;
    FigureData data;

    explicit Run(std::size_t count) {
        for (auto* v : {&mean1, &sd1, &mean2, &sd2, &difference, &t, &critical, &error}) {
            v->resize(count);
        }
        significant.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const double x = static_cast<double>(i);
            const double wobble = std::sin(x * 0.7) * std::cos(x * 0.013);
            mean1[i] = 8000 * std::sin(x * 0.13) + 10 * wobble;
            mean2[i] = mean1[i] - 8 * wobble;
            sd1[i] = sd2[i] = 30;
            error[i] = std::sqrt(2 * 900.0 / 5);
            difference[i] = mean1[i] - mean2[i];
            t[i] = difference[i] / error[i];
            critical[i] = 2.306;
            significant[i] = std::fabs(t[i]) > critical[i];
        }
        data.title = "Benchmark run";
        data.reference = {"/recordings/a", "take"};
        data.comparison = {"/recordings/b", "take"};
        data.sampleRate = 48000;
        data.bitsPerSample = 24;
        data.referenceMean = mean1;
        data.referenceStdDev = sd1;
        data.comparisonMean = mean2;
        data.comparisonStdDev = sd2;
        data.difference = difference;
        data.tValue = t;
        data.criticalT = critical;
        data.standardError = error;
        data.significant = significant;
        data.significantCount = 0;
        data.expectedByChance = 0.05 * static_cast<double>(count);
        data.verdict = "cannot tell";
    }
};

void BM_WriteFigure(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const char* endings[] = {".png", ".svg", ".pdf"};
    const std::string path =
        (std::filesystem::temp_directory_path() /
         ("tm_bench_figure_" + std::to_string(::getpid()) + endings[state.range(1)]))
            .string();
    const Run run(count);
    const double before = statusKilobytes("VmRSS");
    resetPeakMemory();
    for (auto _ : state) {
        const WriteResult outcome = writeFigure(run.data, path, 1600, 1000);
        if (!outcome.written) state.SkipWithError(outcome.failure.c_str());
    }
    state.counters["extra_peak_kb"] = statusKilobytes("VmHWM") - before;
    std::error_code error;
    state.counters["file_kb"] = static_cast<double>(std::filesystem::file_size(path, error)) / 1024;
    std::filesystem::remove(path, error);
}

// Window length (1 s, 60 s at 48 kHz) by format (PNG, SVG, PDF).
BENCHMARK(BM_WriteFigure)
    ->ArgsProduct({{48000, 2880000}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace trellmark
