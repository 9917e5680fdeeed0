#pragma once
// The clusters of the observed comparison: maximal runs of consecutive
// significant indices whose differences share one sign.

#include <cstdint>
#include <span>
#include <vector>

namespace trellmark {

struct Cluster {
    std::int64_t first = 0;  // index of its first sample in the analysis window
    std::int64_t last = 0;   // index of its last sample (inclusive)
    // Sum of t over first .. last in index order; +-infinity when an index of it
    // has no scatter in either set.
    double mass = 0;

    bool operator==(const Cluster&) const = default;
};

// Splits the window into clusters. Per index j (0 .. length - 1, length the
// shortest span): t[j] as the test computed it, significant[j] non-zero where the
// test marked the index, difference[j] = mR - mC. The sign of an index is that
// of t where t is finite, else that of the difference; a significant index
// whose t is NaN counts as infinite with the difference's sign, and one
// without any sign (a zero or NaN difference and no finite t) is skipped as
// not significant. A sign change inside a run splits it. In index order.
std::vector<Cluster> findClusters(std::span<const double> t,
                                  std::span<const std::uint8_t> significant,
                                  std::span<const double> difference);

}  // namespace trellmark
