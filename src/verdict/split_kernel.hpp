#pragma once
// The inner work of the permutation test: for a batch of splits, the largest
// cluster mass each split produces over the whole window.

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/index_test.hpp"
#include "verdict/exact_sums.hpp"
#include "verdict/permutation_test.hpp"

namespace trellmark {

// Every take's window in one width, with the per-index totals over all takes.
// Rows are `stride` values apart (length rounded up to a whole number of
// lanes); the padding holds zeros, and so does one more row after the last
// take, which stands in for missing takes where takes are summed in fours.
template <class Width>
struct TakeTable {
    int takes = 0;
    std::int64_t length = 0;
    std::int64_t stride = 0;
    std::uint64_t largest = 0;                         // largest |value|
    std::vector<typename Width::Value> values;         // (takes + 1) * stride, take-major
    std::vector<typename Width::Sum> totalSum;         // stride entries
    std::vector<typename Width::Square> totalSquares;  // stride entries
};

// REQUIRES: every value of takeValues (takes * length, take-major) fits
// Width::Value, and the sums of squares fit Width::Square.
template <class Width>
TakeTable<Width> tabulateTakes(std::span<const std::int64_t> takeValues, int takes,
                               std::int64_t length);

// A batch of splits that one thread works through. Views into the caller's
// arrays, which must outlive the call.
struct SplitBatch {
    int groupSize = 0;                      // takes drawn into the group
    bool groupIsReference = true;           // whether the drawn group plays the reference set
    std::span<const std::uint32_t> groups;  // groupSize take numbers per split
    std::span<double> largestMass;          // out: per split, largest statistic, 0 without clusters
    ClusterStatistic statistic = ClusterStatistic::mass;
    // Out, for a batch of one split, when not empty: its t and decision (1 or
    // 0) at every index of the window, as its clusters were formed from them.
    std::span<double> t;
    std::span<std::uint8_t> significant;
};

// Bytes one judgeSplits call holds for a batch of `splits` splits of `takes`
// takes, at the widest sums.
std::uint64_t judgeSplitsBytes(int takes, std::int64_t splits);

// Judges every index of every split in the batch by verdictIndexTest and
// records each split's largest cluster |mass| (or size). Uses AVX2 where
// the processor has it and allowAvx2 is set; the results are the same bit for
// bit either way.
void judgeSplits(const TakeTable<ShortSums>& table, const IndexTestSetup& setup,
                 const SplitBatch& batch, bool allowAvx2);
void judgeSplits(const TakeTable<NarrowSums>& table, const IndexTestSetup& setup,
                 const SplitBatch& batch, bool allowAvx2);
void judgeSplits(const TakeTable<WideSums>& table, const IndexTestSetup& setup,
                 const SplitBatch& batch, bool allowAvx2);
void judgeSplits(const TakeTable<WidestSums>& table, const IndexTestSetup& setup,
                 const SplitBatch& batch, bool allowAvx2);

}  // namespace trellmark
