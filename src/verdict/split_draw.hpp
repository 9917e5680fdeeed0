#pragma once
// Which takes form the drawn group of each split: random splits that depend
// only on (seed, split number), so any thread can draw any split and the
// result is the same whatever the number of threads; and every split in turn
// for the exact test.

#include <cstdint>
#include <span>

namespace trellmark {

// C(n, k) (0 when k < 0 or k > n), or cap + 1 when it is larger than cap, so
// it never overflows. REQUIRES: 0 <= cap < 2^62.
std::int64_t binomialCapped(int n, int k, std::int64_t cap);

// Draws `group.size()` distinct takes of 0 .. takes - 1 into group for random
// split number `split` (0-based): a partial Fisher-Yates shuffle driven by a
// xoshiro256** generator whose state comes from splitmix64 of (seed, split).
// `scratch` must hold `takes` entries; its contents are overwritten.
void drawRandomGroup(std::uint64_t seed, std::int64_t split, std::span<std::uint32_t> scratch,
                     std::span<std::uint32_t> group);

// The group of lexicographic rank `rank` (0-based) among all increasing
// k-subsets of 0 .. takes - 1, k = group.size(): rank 0 is 0, 1, .., k - 1.
// REQUIRES: rank < C(takes, k) and C(takes, k) < 2^62.
void groupOfRank(int takes, std::int64_t rank, std::span<std::uint32_t> group);

// Moves group on to the next k-subset in lexicographic order; false (group
// unchanged) after the last one.
bool nextGroup(int takes, std::span<std::uint32_t> group);

}  // namespace trellmark
