// Time of the cluster permutation test on 100 + 100 takes of one second at
// 44100 samples per second with 1000 random splits, on one thread and on all.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "stats/critical_values.hpp"
#include "verdict/permutation_test.hpp"

namespace trellmark {
namespace {

constexpr int takesPerSet = 100;
constexpr std::int64_t samples = 44100;

// A 16-bit test tone at the reference level with a few LSB of noise per take:
// the sets do not differ, so the test sees the usual scattering of chance
// clusters.
const std::vector<std::int64_t>& takeValues() {
    static const std::vector<std::int64_t> values = [] {
        std::vector<std::int64_t> all(2 * takesPerSet * samples);
        std::mt19937_64 generator(7);
        std::normal_distribution<double> noise(0.0, 4.0);
        for (int take = 0; take < 2 * takesPerSet; ++take) {
            for (std::int64_t j = 0; j < samples; ++j) {
                const double tone = 20000.0 * std::sin(2 * M_PI * 1000.0 * j / 44100.0);
                all[take * samples + j] = std::llround(tone + noise(generator));
            }
        }
        return all;
    }();
    return values;
}

void permutationTest(benchmark::State& state) {
    const CriticalValueTable tables = buildCriticalValueTables();
    const PermutationInput input{takeValues(), takesPerSet, takesPerSet, samples, 95, &tables};
    PermutationOptions options;
    options.permutations = 1000;
    options.threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const NullDistribution distribution = computeNullDistribution(input, options);
        benchmark::DoNotOptimize(distribution.sortedMaxima.data());
    }
    state.counters["splits"] = 1000;
}
BENCHMARK(permutationTest)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace trellmark
