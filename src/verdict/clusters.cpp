#include "verdict/clusters.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "verdict/cluster_run.hpp"

namespace trellmark {
namespace {

int signOf(double x) {
    return x > 0 ? 1 : (x < 0 ? -1 : 0);
}

}  // namespace

std::vector<Cluster> findClusters(std::span<const double> t,
                                  std::span<const std::uint8_t> significant,
                                  std::span<const double> difference) {
    const std::size_t length = std::min({t.size(), significant.size(), difference.size()});
    std::vector<Cluster> clusters;
    OpenCluster open;
    std::int64_t first = 0;  // of the open cluster
    std::int64_t j = 0;
    auto close = [&](const OpenCluster& finished) {
        clusters.push_back({first, j - 1, finished.mass});
    };
    for (; j < static_cast<std::int64_t>(length); ++j) {
        const double tj = t[j];
        const int sign = std::isfinite(tj) ? signOf(tj) : signOf(difference[j]);
        const bool marked = significant[j] != 0 && sign != 0;
        const double contribution =
            std::isnan(tj) ? sign * std::numeric_limits<double>::infinity() : tj;
        const bool opensCluster = marked && sign != open.sign;
        stepCluster(open, marked, sign, contribution, close);  // closes with the old first
        if (opensCluster) first = j;
    }
    stepCluster(open, false, 0, 0, close);
    return clusters;
}

}  // namespace trellmark
