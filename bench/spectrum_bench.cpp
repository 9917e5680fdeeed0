// The spectrum's cost beyond the time-domain run: 100 + 100 takes of 44100
// samples, 4096-point segments, 1000 random splits.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "spectrum/run_spectrum.hpp"

namespace trellmark {
namespace {

void spectrumOfHundredAndHundredTakes(benchmark::State& state) {
    constexpr int takes = 100;
    constexpr std::int64_t length = 44100;
    std::mt19937_64 generator(5);
    std::normal_distribution<double> noise(0, 30);
    std::vector<std::int64_t> values(2 * takes * length);
    for (std::int64_t& value : values) value = static_cast<std::int64_t>(noise(generator));
    RunResults run;
    run.parameters.analysisLength = length;
    run.parameters.confidenceLevel = 95;
    run.referenceStatistics.fileCount = takes;
    run.comparisonStatistics.fileCount = takes;
    run.scaleFile.sampleRate = 44100;
    PermutationOptions options;
    options.permutations = 1000;
    // A planted tone in the comparison set, so that clusters exist and the
    // permutation test runs.
    for (int take = takes; take < 2 * takes; ++take) {
        for (std::int64_t n = 0; n < length; ++n)
            values[take * length + n] += (n % 16 < 8) ? 3 : -3;
    }
    std::int64_t splits = 0;
    std::size_t clusters = 0;
    for (auto _ : state) {
        const SpectrumResult result = spectrumOfRun(run, values, 4096, options, true, {});
        benchmark::DoNotOptimize(result.verdict.clusters.data());
        splits = result.verdict.permutations;
        clusters = result.verdict.clusters.size();
    }
    // The permutation test ran over every split: the cost measured is all of it.
    state.counters["splits"] = static_cast<double>(splits);
    state.counters["clusters"] = static_cast<double>(clusters);
}
BENCHMARK(spectrumOfHundredAndHundredTakes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace trellmark
