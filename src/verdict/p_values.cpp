#include "verdict/p_values.hpp"

#include <algorithm>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>

#include "analysis/critical_values.hpp"

namespace trellmark {
namespace {

// Errors come back as values rather than exceptions: a p-value must never end
// the run. The arguments are checked beforehand, so none is expected.
using QuietPolicy = boost::math::policies::policy<
    boost::math::policies::domain_error<boost::math::policies::ignore_error>,
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::underflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::ignore_error>>;

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

}  // namespace

double twoSidedPValue(double t, double df) {
    if (std::isnan(t)) return 1;
    if (std::isinf(t)) return 0;
    if (!(df > 0)) return notANumber;
    const boost::math::students_t_distribution<double, QuietPolicy> distribution(df);
    // The upper tail directly: 1 - cdf would lose every digit of a small p.
    const double p = 2 * boost::math::cdf(boost::math::complement(distribution, std::fabs(t)));
    return std::min(p, 1.0);
}

IndexPValues exactPValues(std::span<const double> referenceMean,
                          std::span<const double> referenceStdDev,
                          std::span<const double> comparisonMean,
                          std::span<const double> comparisonStdDev, int referenceTakes,
                          int comparisonTakes) {
    const std::size_t length = std::min({referenceMean.size(), referenceStdDev.size(),
                                         comparisonMean.size(), comparisonStdDev.size()});
    IndexPValues result;
    result.p.assign(length, notANumber);
    result.degreesOfFreedom.assign(length, notANumber);
    const int nR = referenceTakes;
    const int nC = comparisonTakes;
    if (nR < 2 || nC < 2) return result;

    const bool equalSizes = nR == nC;
    const double pooledDegrees = static_cast<double>(nR) + nC - 2;
    for (std::size_t j = 0; j < length; ++j) {
        const double difference = referenceMean[j] - comparisonMean[j];
        const double sR = referenceStdDev[j];
        const double sC = comparisonStdDev[j];
        if (equalSizes) {
            const double t = difference / std::sqrt((sR * sR + sC * sC) / nR);
            result.degreesOfFreedom[j] = pooledDegrees;
            result.p[j] = twoSidedPValue(t, pooledDegrees);
            continue;
        }
        const double a = (sR * sR) / nR;
        const double b = (sC * sC) / nC;
        if (a == 0 && b == 0) {
            // No scatter at all: any difference of the means lies beyond it.
            result.p[j] = difference != 0 ? 0.0 : 1.0;
            continue;
        }
        const double df = welchDegreesOfFreedom(nR, nC, sR, sC);
        result.degreesOfFreedom[j] = df;
        result.p[j] = twoSidedPValue(difference / std::sqrt(a + b), df);
    }
    return result;
}

}  // namespace trellmark
