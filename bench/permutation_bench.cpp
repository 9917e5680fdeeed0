// Time of the cluster permutation test on 100 + 100 takes of one second at
// 44100 samples per second with 1000 random splits, for 16- and 24-bit
// material, on one thread and on every core.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "analysis/critical_values.hpp"
#include "verdict/permutation_test.hpp"

namespace trellmark {
namespace {

constexpr int takesPerSet = 100;
constexpr std::int64_t samples = 44100;

// A test tone at 60 % of full scale with a few LSB of noise per take: the sets
// do not differ, so the test sees the usual scattering of chance clusters.
const std::vector<std::int64_t>& takeValues(int bits) {
    static std::map<int, std::vector<std::int64_t>> made;
    std::vector<std::int64_t>& values = made[bits];
    if (values.empty()) {
        std::mt19937_64 generator(7);
        std::normal_distribution<double> noise(0.0, 4.0);
        const double amplitude = 0.6 * std::ldexp(1.0, bits - 1);
        for (int take = 0; take < 2 * takesPerSet; ++take) {
            for (std::int64_t j = 0; j < samples; ++j) {
                const double tone = amplitude * std::sin(2 * M_PI * 1000.0 * j / 44100.0);
                values.push_back(std::llround(tone + noise(generator)));
            }
        }
    }
    return values;
}

// Arguments: threads (0: every core), bits per sample.
void permutationTest(benchmark::State& state) {
    const CriticalValueTable tables = buildCriticalValueTables();
    const std::vector<std::int64_t>& values = takeValues(static_cast<int>(state.range(1)));
    const PermutationInput input{values,  takesPerSet,          takesPerSet,
                                 samples, TestLevel::percent95, &tables};
    PermutationOptions options;
    options.permutations = 1000;
    options.threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const NullDistribution distribution = computeNullDistribution(input, options);
        benchmark::DoNotOptimize(distribution.sortedMaxima.data());
    }
}
BENCHMARK(permutationTest)
    ->ArgsProduct({{1, 0}, {16, 24}})
    ->ArgNames({"threads", "bits"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace trellmark
