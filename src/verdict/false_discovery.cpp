#include "verdict/false_discovery.hpp"

#include <algorithm>
#include <cmath>

namespace trellmark {

FalseDiscoveryResult benjaminiHochberg(std::span<const double> pValues, double q) {
    FalseDiscoveryResult result;
    result.kept.assign(pValues.size(), 0);
    std::vector<double> sorted(pValues.begin(), pValues.end());
    for (double& p : sorted) {
        if (std::isnan(p)) p = 1;
    }
    std::sort(sorted.begin(), sorted.end());

    const double m = static_cast<double>(sorted.size());
    double cutoff = -1;  // p_(k) of the largest rank that passes; below every p when none
    for (std::size_t rank = sorted.size(); rank > 0; --rank) {
        if (sorted[rank - 1] <= (static_cast<double>(rank) / m) * q) {
            cutoff = sorted[rank - 1];
            break;
        }
    }
    for (std::size_t j = 0; j < pValues.size(); ++j) {
        if (!std::isnan(pValues[j]) && pValues[j] <= cutoff) {
            result.kept[j] = 1;
            ++result.keptCount;
        }
    }
    return result;
}

}  // namespace trellmark
