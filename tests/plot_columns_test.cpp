#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "plot/column_extremes.hpp"

namespace trellmark {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

TEST(PlotColumns, ASpikeAtAnyIndexSurvivesInItsOwnColumnOnly) {
    struct Case {
        std::size_t count;
        std::size_t columns;
    };
    for (const Case c : {Case{44100, 1500}, Case{1601, 1600}, Case{2'880'000, 1600},
                         Case{3200, 1600}, Case{99991, 997}}) {
        std::vector<double> values(c.count, 0.0);
        const std::size_t middle = c.count / 2;
        for (std::size_t at : {std::size_t{0}, std::size_t{1}, middle - 1, middle, middle + 1,
                               c.count - 2, c.count - 1}) {
            for (double spike : {1.0, -1.0}) {
                SCOPED_TRACE(::testing::Message() << c.count << " into " << c.columns << ", spike "
                                                  << spike << " at " << at);
                values[at] = spike;
                const auto spans = columnExtremes(values, c.columns);
                ASSERT_EQ(spans.size(), c.columns);
                std::size_t holding = 0;
                for (std::size_t k = 0; k < spans.size(); ++k) {
                    const std::size_t begin = columnBegin(k, c.count, c.columns);
                    const std::size_t end = columnBegin(k + 1, c.count, c.columns);
                    const bool here = begin <= at && at < end;
                    // The spike, and the zeros of any other sample in its column.
                    const double other = end - begin > 1 ? 0.0 : spike;
                    EXPECT_EQ(spans[k].low, here ? std::min(spike, other) : 0.0) << k;
                    EXPECT_EQ(spans[k].high, here ? std::max(spike, other) : 0.0) << k;
                    holding += here;
                }
                EXPECT_EQ(holding, 1u);
                values[at] = 0;
            }
        }
    }
}

TEST(PlotColumns, ColumnsShareTheSamplesEvenlyAndLeaveNoneOut) {
    for (const auto& [count, columns] :
         {std::pair<std::size_t, std::size_t>{10, 4}, {1601, 1600}, {2'880'000, 1537}}) {
        EXPECT_EQ(columnBegin(0, count, columns), 0u);
        EXPECT_EQ(columnBegin(columns, count, columns), count);
        for (std::size_t k = 0; k < columns; ++k) {
            const std::size_t size =
                columnBegin(k + 1, count, columns) - columnBegin(k, count, columns);
            EXPECT_TRUE(size == count / columns || size == count / columns + 1) << k;
        }
    }
    // 10 into 4: 0-1, 2-4, 5-6, 7-9
    EXPECT_EQ(columnBegin(1, 10, 4), 2u);
    EXPECT_EQ(columnBegin(2, 10, 4), 5u);
    EXPECT_EQ(columnBegin(3, 10, 4), 7u);
}

TEST(PlotColumns, AWindowNoWiderThanThePlotIsKeptSampleBySample) {
    const std::vector<double> values = {3, -1, nan, infinity, 0.5};
    for (std::size_t columns : {5u, 6u, 1600u}) {
        const auto spans = columnExtremes(values, columns);
        ASSERT_EQ(spans.size(), values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (std::isnan(values[i])) {
                EXPECT_TRUE(std::isnan(spans[i].low) && std::isnan(spans[i].high));
            } else {
                EXPECT_EQ(spans[i].low, values[i]);
                EXPECT_EQ(spans[i].high, values[i]);
            }
        }
    }
}

TEST(PlotColumns, NotANumberIsSkippedAndAColumnOfNothingElseIsEmpty) {
    // 8 into 4: pairs of samples.
    const std::vector<double> values = {nan, nan, nan, 2, -3, nan, infinity, -infinity};
    const auto spans = columnExtremes(values, 4);
    ASSERT_EQ(spans.size(), 4u);
    EXPECT_TRUE(std::isnan(spans[0].low) && std::isnan(spans[0].high));
    EXPECT_EQ(spans[1].low, 2);
    EXPECT_EQ(spans[1].high, 2);
    EXPECT_EQ(spans[2].low, -3);
    EXPECT_EQ(spans[2].high, -3);
    EXPECT_EQ(spans[3].low, -infinity);
    EXPECT_EQ(spans[3].high, infinity);
}

TEST(PlotColumns, SharesCountTheMarkedSamplesOfEachColumn) {
    const std::vector<bool> marked = {true,  false, false, true,  true,
                                      false, false, false, false, true};
    const auto at = [&](std::size_t i) { return marked[i]; };
    // 10 into 4: 0-1, 2-4, 5-6, 7-9
    EXPECT_EQ(columnShares(10, 4, at), (std::vector<double>{0.5, 2.0 / 3, 0, 1.0 / 3}));
    EXPECT_EQ(columnShares(10, 10, at), (std::vector<double>{1, 0, 0, 1, 1, 0, 0, 0, 0, 1}));
}

}  // namespace
}  // namespace trellmark
