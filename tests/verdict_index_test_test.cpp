#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "analysis/set_comparison.hpp"
#include "verdict/index_test.hpp"

namespace trellmark {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The permutation test must judge a split exactly as the program's comparison
// judges the observed one; the comparison marks an index by a non-zero
// difference signal.
void expectSameDecisions(int nR, int nC, std::int16_t confidence, const std::vector<double>& mR,
                         const std::vector<double>& mC, const std::vector<double>& sR,
                         const std::vector<double>& sC) {
    const CriticalValueTable tables = buildCriticalValueTables();
    SetStatistics reference;
    reference.fileCount = static_cast<std::int16_t>(nR);
    reference.mean = mR;
    reference.stdDev = sR;
    SetStatistics comparison;
    comparison.fileCount = static_cast<std::int16_t>(nC);
    comparison.mean = mC;
    comparison.stdDev = sC;
    const auto length = static_cast<std::int32_t>(mR.size());
    const ComparisonResult program =
        compareMeans(reference, comparison, length, confidence, tables);
    const IndexTestSetup setup = makeIndexTestSetup(nR, nC, confidence, tables);
    for (std::size_t j = 0; j < mR.size(); ++j) {
        SCOPED_TRACE(::testing::Message() << "index " << j << ": " << mR[j] << " " << mC[j] << " "
                                          << sR[j] << " " << sC[j]);
        const IndexTestOutcome outcome = testIndex(setup, mR[j], mC[j], sR[j], sC[j]);
        EXPECT_EQ(outcome.significant, program.differenceSignal[j] != 0);
        if (outcome.significant) {
            EXPECT_EQ(outcome.t > 0, mR[j] > mC[j]);
        }
    }
}

TEST(VerdictIndexTest, DecidesAsTheProgramsComparisonOnEdges) {
    // Exact critical values (5 + 5 at 95: 2.306; a unit standard error), ties,
    // no scatter, NaN, a negative standard deviation left by rounding.
    const double limit = 2.306;
    const std::vector<double> mR{limit, std::nextafter(limit, 3.0), 1, 1, 0, nan, 1, 5};
    const std::vector<double> mC{0, 0, 1, 2, 0, 0, 0, 0};
    const std::vector<double> sR{1, 1, 0, 0, 0, 1, -1e-9, 2};
    const std::vector<double> sC{2, 2, 0, 0, 0, 1, 0, nan};
    for (const auto& [nR, nC] : {std::pair{5, 5}, std::pair{3, 4}, std::pair{2, 30}}) {
        for (const std::int16_t confidence : {std::int16_t{95}, std::int16_t{99}}) {
            expectSameDecisions(nR, nC, confidence, mR, mC, sR, sC);
        }
    }
}

TEST(VerdictIndexTest, DecidesAsTheProgramsComparisonOnRandomStatistics) {
    // Differences around the critical values, scatter over many decades, and
    // set sizes whose Welch degrees fall on every table segment.
    std::mt19937_64 generator(3);
    std::uniform_real_distribution<double> unit(0, 1);
    for (const auto& [nR, nC] : {std::pair{4, 4}, std::pair{2, 3}, std::pair{7, 40},
                                 std::pair{90, 70}, std::pair{200, 201}}) {
        std::vector<double> mR, mC, sR, sC;
        for (int j = 0; j < 4000; ++j) {
            const double scale = std::pow(10.0, 6 * unit(generator) - 3);
            sR.push_back(scale * unit(generator));
            sC.push_back(scale * 3 * unit(generator));
            mC.push_back(0);
            mR.push_back(scale * 8 * (unit(generator) - 0.5));
        }
        expectSameDecisions(nR, nC, 95, mR, mC, sR, sC);
        expectSameDecisions(nR, nC, 99, mR, mC, sR, sC);
    }
}

}  // namespace
}  // namespace trellmark
