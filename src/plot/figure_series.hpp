#pragma once
// The curves of the three panels reduced to pixel columns, and the value range each panel needs.

#include <cstddef>
#include <vector>

#include "plot/axis_ticks.hpp"
#include "plot/column_extremes.hpp"
#include "plot/figure_data.hpp"

namespace trellmark {

// The data ranges (before axisRange adds its margin) of the three panels: the means with their
// standard deviation bands; the difference with its critical band and zero; t with the
// critical values and zero. Only finite values count; a panel with none gets low > high.
struct PanelExtents {
    AxisRange means{1, -1};
    AxisRange difference{1, -1};
    AxisRange t{1, -1};
};
PanelExtents panelExtents(const FigureData& data);

// Each curve as columnExtremes gives it for the given number of pixel columns; a curve whose
// inputs are missing (empty spans) is empty. Bands hold the band's edge in high (upper) or low
// (lower). The critical values are taken at their largest within each column, so whatever lies
// outside the drawn band or lines is significant at every index it stands for.
struct PanelSeries {
    std::vector<ColumnSpan> referenceMean, referenceLower, referenceUpper;
    std::vector<ColumnSpan> comparisonMean, comparisonLower, comparisonUpper;
    std::vector<ColumnSpan> difference, criticalLower, criticalUpper;
    std::vector<ColumnSpan> t, criticalTLower, criticalTUpper;
    std::vector<double> significantShare;  // of each column's indices that are significant
};
PanelSeries panelSeries(const FigureData& data, std::size_t columns);

// The critical difference at index i: |critical t x standard error|, NaN where either is
// missing.
double criticalDifference(const FigureData& data, std::size_t i);

}  // namespace trellmark
