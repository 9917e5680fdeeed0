#include "verdict/split_kernel.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "verdict/block_decision.hpp"
#include "verdict/cluster_run.hpp"

namespace trellmark {
namespace {

// Rows are padded to whole groups of this many indices, which the sums and
// the decision take together.
constexpr std::int64_t lanes = 16;

// Bytes of take values one block may span: every take's part of a block stays
// in the second-level cache while all splits of a batch go over it.
constexpr std::int64_t blockBytes = 256 * 1024;
constexpr std::int64_t largestBlock = 4096;

template <class Width>
std::int64_t blockWidth(const TakeTable<Width>& table) {
    const std::int64_t perIndex =
        static_cast<std::int64_t>(table.takes) * sizeof(typename Width::Value);
    const std::int64_t width = blockBytes / std::max<std::int64_t>(perIndex, 1);
    return std::clamp<std::int64_t>(width / lanes * lanes, lanes, largestBlock);
}

// Sums of the group's values and squares over `width` indices (a multiple of
// lanes) from `offset` on.
template <class Width>
void sumGroup(const typename Width::Value* const* rows, int groupSize, std::int64_t offset,
              std::int64_t width, typename Width::Sum* sums, typename Width::Square* squares) {
    std::fill_n(sums, width, typename Width::Sum{});
    std::fill_n(squares, width, typename Width::Square{});
    for (int g = 0; g < groupSize; ++g) {
        const typename Width::Value* row = rows[g] + offset;
        for (std::int64_t i = 0; i < width; ++i) {
            sums[i] += row[i];
            squares[i] += Width::square(row[i]);
        }
    }
}

// sumGroup, or its AVX2 form where there is one for the width. rows holds the
// group's nG rows, then the row of zeros up to a multiple of 4 entries.
template <class Width>
void sumDrawnGroup(const std::vector<const typename Width::Value*>& rows, int nG,
                   std::int64_t offset, std::int64_t width, typename Width::Sum* sums,
                   typename Width::Square* squares, bool avx2) {
    if constexpr (std::is_same_v<Width, ShortSums>) {
        if (avx2) {
            sumShortGroupAvx2(rows.data(), static_cast<int>(rows.size()), offset, width, sums,
                              squares);
            return;
        }
    }
    if constexpr (std::is_same_v<Width, NarrowSums>) {
        if (avx2) {
            sumNarrowGroupAvx2(rows.data(), nG, offset, width, sums, squares);
            return;
        }
    }
    sumGroup<Width>(rows.data(), nG, offset, width, sums, squares);
}

// Working arrays of one batch, one block long.
template <class Width>
struct BlockArrays {
    explicit BlockArrays(std::int64_t block)
        : sums(block),
          squares(block),
          groupSum(block),
          otherSum(block),
          groupNumerator(block),
          otherNumerator(block),
          t(block),
          significant(block) {}
    std::vector<typename Width::Sum> sums;
    std::vector<typename Width::Square> squares;
    std::vector<double> groupSum;
    std::vector<double> otherSum;
    std::vector<double> groupNumerator;
    std::vector<double> otherNumerator;
    std::vector<double> t;
    std::vector<std::uint8_t> significant;
};

// Moves a split's open cluster over one block of decisions, raising largest to
// the statistic of each cluster that closes: its |mass|, or its size when every
// index counts one.
void followClusters(const double* t, const std::uint8_t* significant, std::int64_t count,
                    bool countIndices, OpenCluster& open, double& largest) {
    OpenCluster run = open;
    auto close = [&largest](const OpenCluster& finished) {
        largest = std::max(largest, std::fabs(finished.mass));
    };
    std::int64_t i = 0;
    while (i < count) {
        // Most indices are not significant: with no cluster open, eight at a
        // time that are all clear change nothing.
        std::uint64_t eight = 0;
        if (run.sign == 0 && i + 8 <= count) {
            std::memcpy(&eight, significant + i, sizeof eight);
            if (eight == 0) {
                i += 8;
                continue;
            }
        }
        const int sign = t[i] > 0 ? 1 : -1;
        stepCluster(run, significant[i] != 0, sign, countIndices ? sign : t[i], close);
        ++i;
    }
    open = run;
}

// Whether every sum, total, n SS and S^2 of 64-bit sums stays within +-2^51:
// the totals reach takes * M^2, the others n^2 M^2, M the largest |value|.
template <class Width>
bool sumsStaySmall(const TakeTable<Width>& table, int nG, int nO) {
    if constexpr (std::is_same_v<typename Width::Sum, std::int64_t>) {
        const auto n = static_cast<UInt128>(std::max({nG, nO, 1}));
        const UInt128 factor = std::max(n * n, static_cast<UInt128>(table.takes));
        const UInt128 square = static_cast<UInt128>(table.largest) * table.largest;
        return square * factor < (static_cast<UInt128>(1) << 51);
    }
    return false;
}

// The moments of both groups from the drawn group's sums, the other group
// being the totals less it; in AVX2 where the sums stay small.
template <class Width>
void formMoments(const TakeTable<Width>& table, BlockArrays<Width>& arrays, std::int64_t first,
                 std::int64_t count, const SplitShape& shape, bool smallSums) {
    if constexpr (std::is_same_v<typename Width::Sum, std::int64_t>) {
        if (smallSums) {
            momentsFromSmallSumsAvx2(
                arrays.sums.data(), arrays.squares.data(), table.totalSum.data() + first,
                table.totalSquares.data() + first, count, shape, arrays.groupSum.data(),
                arrays.otherSum.data(), arrays.groupNumerator.data(), arrays.otherNumerator.data());
            return;
        }
    }
    for (std::int64_t i = 0; i < count; ++i) {
        const auto groupSum = arrays.sums[i];
        const auto otherSum = table.totalSum[first + i] - groupSum;
        const auto otherSquares = table.totalSquares[first + i] - arrays.squares[i];
        arrays.groupSum[i] = static_cast<double>(groupSum);
        arrays.otherSum[i] = static_cast<double>(otherSum);
        arrays.groupNumerator[i] = Width::numerator(groupSum, arrays.squares[i], shape.groupSize);
        arrays.otherNumerator[i] = Width::numerator(otherSum, otherSquares, shape.otherSize);
    }
}

template <class Width>
void judgeBatch(const TakeTable<Width>& table, const IndexTestSetup& setup, const SplitBatch& batch,
                bool avx2) {
    using Value = typename Width::Value;
    const SplitShape shape{batch.groupSize, table.takes - batch.groupSize, batch.groupIsReference};
    const int nG = shape.groupSize;
    const int nO = shape.otherSize;
    const std::size_t splits = batch.largestMass.size();
    const std::int64_t block = blockWidth(table);

    BlockArrays<Width> arrays(block);
    const BlockMoments moments{arrays.groupSum.data(), arrays.otherSum.data(),
                               arrays.groupNumerator.data(), arrays.otherNumerator.data()};
    // Past the group, the row of zeros: the 16-bit sums take takes in fours.
    const Value* zeros = table.values.data() + table.takes * table.stride;
    std::vector<const Value*> rows((nG + 3) / 4 * 4, zeros);
    std::vector<OpenCluster> open(splits);
    std::fill(batch.largestMass.begin(), batch.largestMass.end(), 0.0);

    const bool smallSums = avx2 && sumsStaySmall(table, nG, nO);

    // Every split of the batch goes over one block before the next block is
    // read, carrying its open cluster across the block's end.
    for (std::int64_t first = 0; first < table.length; first += block) {
        const std::int64_t width = std::min(block, table.length - first);
        const std::int64_t summed = (width + lanes - 1) / lanes * lanes;
        for (std::size_t split = 0; split < splits; ++split) {
            const std::uint32_t* group = batch.groups.data() + split * nG;
            for (int g = 0; g < nG; ++g) rows[g] = table.values.data() + group[g] * table.stride;
            sumDrawnGroup<Width>(rows, nG, first, summed, arrays.sums.data(), arrays.squares.data(),
                                 avx2);

            formMoments(table, arrays, first, summed, shape, smallSums);
            if (avx2) {
                decideBlockAvx2(setup, shape, moments, summed, arrays.t.data(),
                                arrays.significant.data());
            } else {
                decideBlock(setup, shape, moments, width, arrays.t.data(),
                            arrays.significant.data());
            }

            if (!batch.t.empty()) {
                std::copy_n(arrays.t.data(), width, batch.t.data() + first);
                std::copy_n(arrays.significant.data(), width, batch.significant.data() + first);
            }
            followClusters(arrays.t.data(), arrays.significant.data(), width,
                           batch.statistic == ClusterStatistic::size, open[split],
                           batch.largestMass[split]);
        }
    }
    for (std::size_t split = 0; split < splits; ++split) {
        if (open[split].sign != 0) {
            batch.largestMass[split] =
                std::max(batch.largestMass[split], std::fabs(open[split].mass));
        }
    }
}

template <class Width>
void judge(const TakeTable<Width>& table, const IndexTestSetup& setup, const SplitBatch& batch,
           bool allowAvx2) {
    static const bool hasAvx2 = [] {
        __builtin_cpu_init();  // the feature table may not be filled yet
        return __builtin_cpu_supports("avx2") != 0;
    }();
    judgeBatch(table, setup, batch, allowAvx2 && hasAvx2);
}

}  // namespace

std::uint64_t judgeSplitsBytes(int takes, std::int64_t splits) {
    using Width = WidestSums;
    const auto perIndex =
        sizeof(Width::Sum) + sizeof(Width::Square) + sizeof(double) * 5 + sizeof(std::uint8_t);
    return largestBlock * perIndex + static_cast<std::uint64_t>(takes) * sizeof(void*) +
           static_cast<std::uint64_t>(splits) * sizeof(OpenCluster);
}

template <class Width>
TakeTable<Width> tabulateTakes(std::span<const std::int64_t> takeValues, int takes,
                               std::int64_t length) {
    TakeTable<Width> table;
    table.takes = takes;
    table.length = length;
    table.stride = (length + lanes - 1) / lanes * lanes;
    table.values.assign(static_cast<std::size_t>(takes + 1) * table.stride, 0);
    table.totalSum.assign(table.stride, 0);
    table.totalSquares.assign(table.stride, typename Width::Square{});
    for (int take = 0; take < takes; ++take) {
        const std::int64_t* source = takeValues.data() + take * length;
        typename Width::Value* row = table.values.data() + take * table.stride;
        for (std::int64_t j = 0; j < length; ++j) {
            const std::int64_t x = source[j];
            table.largest = std::max(table.largest, x < 0 ? 0 - static_cast<std::uint64_t>(x)
                                                          : static_cast<std::uint64_t>(x));
            row[j] = static_cast<typename Width::Value>(x);
            table.totalSum[j] += row[j];
            table.totalSquares[j] += Width::square(row[j]);
        }
    }
    return table;
}

template TakeTable<ShortSums> tabulateTakes<ShortSums>(std::span<const std::int64_t>, int,
                                                       std::int64_t);
template TakeTable<NarrowSums> tabulateTakes<NarrowSums>(std::span<const std::int64_t>, int,
                                                         std::int64_t);
template TakeTable<WideSums> tabulateTakes<WideSums>(std::span<const std::int64_t>, int,
                                                     std::int64_t);
template TakeTable<WidestSums> tabulateTakes<WidestSums>(std::span<const std::int64_t>, int,
                                                         std::int64_t);

void judgeSplits(const TakeTable<ShortSums>& table, const IndexTestSetup& setup,
                 const SplitBatch& batch, bool allowAvx2) {
    judge(table, setup, batch, allowAvx2);
}
void judgeSplits(const TakeTable<NarrowSums>& table, const IndexTestSetup& setup,
                 const SplitBatch& batch, bool allowAvx2) {
    judge(table, setup, batch, allowAvx2);
}
void judgeSplits(const TakeTable<WideSums>& table, const IndexTestSetup& setup,
                 const SplitBatch& batch, bool allowAvx2) {
    judge(table, setup, batch, allowAvx2);
}
void judgeSplits(const TakeTable<WidestSums>& table, const IndexTestSetup& setup,
                 const SplitBatch& batch, bool allowAvx2) {
    judge(table, setup, batch, allowAvx2);
}

}  // namespace trellmark
