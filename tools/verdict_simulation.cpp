// verdict_simulation [DATA SETS]: how often the verdict says "differ" on
// simulated takes, with no difference (the false-positive rate) and with a
// planted one (the power), through the program's own computeVerdict. Each
// data set draws fresh Gaussian noise on a common tone, rounds every value to
// whole LSB as a recording does, and plants the difference in the comparison
// takes. Prints one row per case with the rate and its 95 % interval.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "analysis/critical_values.hpp"
#include "verdict/verdict.hpp"

namespace {

using namespace trellmark;

constexpr std::int64_t length = 1000;

enum class Planted { nothing, identical, step, tone };

struct Case {
    const char* name;
    int nR;
    int nC;
    double noise;  // standard deviation of each take's noise, LSB
    Planted planted;
    double size;  // step height or tone amplitude, LSB
};

// Mean and standard deviation per index of takes first .. first + n - 1.
void describe(const std::vector<std::int64_t>& values, int first, int n, std::vector<double>& mean,
              std::vector<double>& stdDev) {
    mean.assign(length, 0);
    stdDev.assign(length, 0);
    for (std::int64_t j = 0; j < length; ++j) {
        double s = 0;
        double q = 0;
        for (int k = first; k < first + n; ++k) {
            const auto x = static_cast<double>(values[k * length + j]);
            s += x;
            q += x * x;
        }
        mean[j] = s / n;
        stdDev[j] = std::sqrt(std::max(0.0, (n * q - s * s) / (static_cast<double>(n) * (n - 1))));
    }
}

std::vector<std::int64_t> drawTakes(const Case& c, std::mt19937_64& generator) {
    std::normal_distribution<double> noise(0.0, c.noise);
    const int takes = c.nR + c.nC;
    std::vector<std::int64_t> values(static_cast<std::size_t>(takes * length));
    for (int k = 0; k < takes; ++k) {
        for (std::int64_t j = 0; j < length; ++j) {
            double x = 3000 * std::sin(0.031 * static_cast<double>(j));
            if (c.planted != Planted::identical) x += noise(generator);
            if (k >= c.nR && j >= 400 && j < 600) {
                if (c.planted == Planted::step) x += c.size;
                if (c.planted == Planted::tone)
                    x += c.size * std::sin(0.2 * static_cast<double>(j));
            }
            values[k * length + j] = std::llround(x);
        }
    }
    if (c.planted == Planted::identical) {
        std::normal_distribution<double> once(0.0, 3.0);
        std::vector<std::int64_t> first(length);
        for (std::int64_t j = 0; j < length; ++j)
            first[j] = values[j] + std::llround(once(generator));
        for (int k = 0; k < takes; ++k) {
            std::copy(first.begin(), first.end(), values.begin() + k * length);
        }
    }
    return values;
}

double differRate(const Case& c, ClusterStatistic statistic, int dataSets,
                  const CriticalValueTable& tables) {
    std::mt19937_64 generator(2026);
    int differ = 0;
    for (int set = 0; set < dataSets; ++set) {
        const std::vector<std::int64_t> values = drawTakes(c, generator);
        std::vector<double> mR, sR, mC, sC;
        describe(values, 0, c.nR, mR, sR);
        describe(values, c.nR, c.nC, mC, sC);
        VerdictInput input;
        input.referenceMean = mR;
        input.referenceStdDev = sR;
        input.comparisonMean = mC;
        input.comparisonStdDev = sC;
        input.referenceTakes = c.nR;
        input.comparisonTakes = c.nC;
        input.takeValues = values;
        input.length = length;
        input.level = TestLevel::percent95;
        input.tables = &tables;
        input.options.statistic = statistic;
        input.options.seed = static_cast<std::uint64_t>(set) + 1;
        if (computeVerdict(input).outcome == VerdictOutcome::differ) ++differ;
    }
    return static_cast<double>(differ) / dataSets;
}

}  // namespace

int main(int argc, char** argv) {
    const int dataSets = argc > 1 ? std::atoi(argv[1]) : 1000;
    if (dataSets < 1) {
        std::fprintf(stderr, "usage: verdict_simulation [DATA SETS]\n");
        return 2;
    }
    const CriticalValueTable tables = buildCriticalValueTables();
    const Case cases[] = {
        {"no difference, noise 3 LSB", 5, 5, 3, Planted::nothing, 0},
        {"no difference, noise 0.4 LSB (quantised)", 5, 5, 0.4, Planted::nothing, 0},
        {"no difference, noise 0.4 LSB (quantised)", 6, 5, 0.4, Planted::nothing, 0},
        {"no difference, noise 3 LSB", 10, 10, 3, Planted::nothing, 0},
        {"identical takes", 6, 5, 0, Planted::identical, 0},
        {"step of 1 LSB, noise 0.5 LSB", 5, 5, 0.5, Planted::step, 1},
        {"tone of 3 LSB, noise 3 LSB", 5, 5, 3, Planted::tone, 3},
        {"tone of 2 LSB, noise 3 LSB", 10, 10, 3, Planted::tone, 2},
    };
    std::printf("%d data sets of %lld samples per case, 95 per cent, default splits\n", dataSets,
                static_cast<long long>(length));
    std::printf("%-44s %7s %16s %16s\n", "case", "takes", "differ (mass)", "differ (size)");
    for (const Case& c : cases) {
        const std::string takes = std::to_string(c.nR) + "+" + std::to_string(c.nC);
        std::printf("%-44s %7s", c.name, takes.c_str());
        for (const ClusterStatistic statistic : {ClusterStatistic::mass, ClusterStatistic::size}) {
            const double rate = differRate(c, statistic, dataSets, tables);
            const double half = 1.96 * std::sqrt(rate * (1 - rate) / dataSets);
            std::printf("  %5.1f %% +- %4.1f", 100 * rate, 100 * half);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    return 0;
}
