#pragma once
// Reducing a long series to pixel columns: each column's minimum and maximum, so no single sample
// is lost, or the share of its samples that are marked.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace trellmark {

// The values a column spans; both NaN when it holds no value that is a number. Infinite values
// are kept: the drawing clips them to its panel.
struct ColumnSpan {
    double low = std::numeric_limits<double>::quiet_NaN();
    double high = std::numeric_limits<double>::quiet_NaN();
};

// Index of the first of count samples that falls into the given column of columns: the columns
// share the samples as evenly as integers allow, each at least one when count >= columns.
inline std::size_t columnBegin(std::size_t column, std::size_t count, std::size_t columns) {
    return static_cast<std::size_t>(static_cast<std::uint64_t>(column) * count / columns);
}

// One entry per sample when count <= columns (the window is drawn sample by sample), else one
// per column with the smallest and largest value of that column's samples. valueAt(i) gives
// sample i; NaN samples are skipped.
template <class ValueAt>
std::vector<ColumnSpan> columnExtremes(std::size_t count, std::size_t columns, ValueAt valueAt) {
    std::vector<ColumnSpan> spans;
    if (count <= columns) {
        spans.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            const double v = valueAt(i);
            spans.push_back(std::isnan(v) ? ColumnSpan{} : ColumnSpan{v, v});
        }
        return spans;
    }
    spans.resize(columns);
    for (std::size_t c = 0; c < columns; ++c) {
        const std::size_t end = columnBegin(c + 1, count, columns);
        ColumnSpan& span = spans[c];
        for (std::size_t i = columnBegin(c, count, columns); i < end; ++i) {
            const double v = valueAt(i);
            if (std::isnan(v)) continue;
            if (std::isnan(span.low)) {
                span = {v, v};
            } else if (v < span.low) {
                span.low = v;
            } else if (v > span.high) {
                span.high = v;
            }
        }
    }
    return spans;
}

// The share of marked samples: one entry per sample (0 or 1) when count <= columns, else the
// share of each column's samples for which isMarked(i) holds.
template <class IsMarked>
std::vector<double> columnShares(std::size_t count, std::size_t columns, IsMarked isMarked) {
    if (count <= columns) {
        std::vector<double> shares(count);
        for (std::size_t i = 0; i < count; ++i) shares[i] = isMarked(i) ? 1 : 0;
        return shares;
    }
    std::vector<double> shares(columns);
    for (std::size_t c = 0; c < columns; ++c) {
        const std::size_t begin = columnBegin(c, count, columns);
        const std::size_t end = columnBegin(c + 1, count, columns);
        std::size_t marked = 0;
        for (std::size_t i = begin; i < end; ++i) marked += isMarked(i) ? 1 : 0;
        shares[c] = static_cast<double>(marked) / static_cast<double>(end - begin);
    }
    return shares;
}

inline std::vector<ColumnSpan> columnExtremes(std::span<const double> values, std::size_t columns) {
    return columnExtremes(values.size(), columns, [values](std::size_t i) { return values[i]; });
}

}  // namespace trellmark
