#pragma once
// Sets of takes for the verdict's tests: whole-number windows, take-major,
// with each set's means and standard deviations and the index-by-index test's
// t and marks formed from them.

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "analysis/critical_values.hpp"
#include "analysis/index_test.hpp"
#include "verdict/verdict.hpp"
#include "verdict/wide_integers.hpp"

namespace trellmark::testing {

struct TakeSets {
    int referenceTakes = 0;
    int comparisonTakes = 0;
    std::int64_t length = 0;
    std::vector<std::int64_t> values;  // take-major, reference takes first
    std::vector<double> referenceMean;
    std::vector<double> referenceStdDev;
    std::vector<double> comparisonMean;
    std::vector<double> comparisonStdDev;
    std::vector<double> t;                  // the index test's t
    std::vector<std::uint8_t> significant;  // 1 where the index test marks the index
};

// Mean S / n and standard deviation from the exact n SS - S^2 of takes
// first .. first + n - 1. REQUIRES: |values| < 2^50.
inline void describeSet(const std::vector<std::int64_t>& values, std::int64_t length, int first,
                        int n, std::vector<double>& mean, std::vector<double>& stdDev) {
    mean.assign(length, 0);
    stdDev.assign(length, 0);
    for (std::int64_t j = 0; j < length; ++j) {
        Int128 s = 0;
        Int128 q = 0;
        for (int take = first; take < first + n; ++take) {
            const Int128 x = values[take * length + j];
            s += x;
            q += x * x;
        }
        mean[j] = static_cast<double>(s) / n;
        stdDev[j] =
            std::sqrt(static_cast<double>(n * q - s * s) / (static_cast<double>(n) * (n - 1)));
    }
}

// REQUIRES: nR >= 2, nC >= 2, confidence 95 or 99, values.size() a multiple of nR + nC.
inline TakeSets makeTakeSets(std::vector<std::int64_t> values, int nR, int nC,
                             std::int16_t confidence, const CriticalValueTable& tables) {
    TakeSets sets;
    sets.referenceTakes = nR;
    sets.comparisonTakes = nC;
    sets.length = static_cast<std::int64_t>(values.size()) / (nR + nC);
    sets.values = std::move(values);
    describeSet(sets.values, sets.length, 0, nR, sets.referenceMean, sets.referenceStdDev);
    describeSet(sets.values, sets.length, nR, nC, sets.comparisonMean, sets.comparisonStdDev);
    const IndexTestSetup setup =
        makeIndexTestSetup(nR, nC, ConfidenceLevel(confidence).test(), tables);
    for (std::int64_t j = 0; j < sets.length; ++j) {
        const IndexTestOutcome outcome =
            testIndex(setup, sets.referenceMean[j], sets.comparisonMean[j], sets.referenceStdDev[j],
                      sets.comparisonStdDev[j]);
        sets.t.push_back(outcome.t);
        sets.significant.push_back(outcome.significant ? 1 : 0);
    }
    return sets;
}

// The sets' data as the verdict takes it; views into `sets`, which must outlive it.
inline VerdictInput verdictInputFor(const TakeSets& sets, std::int16_t confidence,
                                    const CriticalValueTable& tables,
                                    const PermutationOptions& options) {
    VerdictInput input;
    input.referenceMean = sets.referenceMean;
    input.referenceStdDev = sets.referenceStdDev;
    input.comparisonMean = sets.comparisonMean;
    input.comparisonStdDev = sets.comparisonStdDev;
    input.referenceTakes = sets.referenceTakes;
    input.comparisonTakes = sets.comparisonTakes;
    input.takeValues = sets.values;
    input.length = sets.length;
    input.level = ConfidenceLevel(confidence).test();
    input.tables = &tables;
    input.options = options;
    return input;
}

// `takes` takes of a common 16-bit tone with Gaussian noise of `noise` LSB,
// take-major, drawn from `seed`.
inline std::vector<std::int64_t> noisyTakes(int takes, std::int64_t length, double noise,
                                            std::uint64_t seed) {
    std::mt19937_64 generator(seed);
    std::normal_distribution<double> scatter(0.0, noise);
    std::vector<std::int64_t> values;
    for (int take = 0; take < takes; ++take) {
        for (std::int64_t j = 0; j < length; ++j) {
            const double tone = 12000 * std::sin(0.0625 * static_cast<double>(j));
            values.push_back(std::llround(tone + scatter(generator)));
        }
    }
    return values;
}

}  // namespace trellmark::testing
