#include "verdict/block_decision.hpp"

namespace trellmark {

void decideBlock(const IndexTestSetup& setup, const SplitShape& shape, const BlockMoments& moments,
                 std::int64_t count, double* t, std::uint8_t* significant) {
    const RoleMoments roles = byRole(moments, shape);
    const int nR = setup.referenceTakes;
    const int nC = setup.comparisonTakes;
    const double nR1 = static_cast<double>(nR) * (nR - 1);
    const double nC1 = static_cast<double>(nC) * (nC - 1);
    for (std::int64_t i = 0; i < count; ++i) {
        const double mR = roles.referenceSum[i] / nR;
        const double mC = roles.comparisonSum[i] / nC;
        const double vR = flooredVariance(roles.referenceNumerator[i], nR1);
        const double vC = flooredVariance(roles.comparisonNumerator[i], nC1);
        const IndexTestOutcome outcome = verdictIndexTest(setup, mR, mC, vR, vC);
        t[i] = outcome.t;
        significant[i] = outcome.significant ? 1 : 0;
    }
}

}  // namespace trellmark
