#pragma once
// The Benjamini-Hochberg procedure: which indices stay significant when the
// expected share of false discoveries among them is held at q.

#include <cstdint>
#include <span>
#include <vector>

namespace trellmark {

struct FalseDiscoveryResult {
    std::int64_t keptCount = 0;
    std::vector<std::uint8_t> kept;  // per index of the p-values given: 1 kept, 0 not
};

// Sorts the m p-values, finds the largest rank k (1-based) with
// p_(k) <= (k / m) * q and keeps every index whose p <= p_(k); none when there
// is no such k. A NaN p counts as 1: it stays among the m and is never kept.
// The threshold is formed as (k / m) * q, in that order, so ties on it fall the
// same way as in the usual statistical packages.
FalseDiscoveryResult benjaminiHochberg(std::span<const double> pValues, double q);

}  // namespace trellmark
