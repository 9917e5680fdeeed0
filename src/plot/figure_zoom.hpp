#pragma once
// The stretch of the window the zoom panel shows: the strongest cluster with a margin of its own
// length on either side, or the largest difference when no cluster is listed, and the figures
// that describe it, computed from the run's means.

#include <cstdint>
#include <optional>
#include <string>

#include "plot/figure_data.hpp"

namespace trellmark {

// Clusters at or above this p are chance's and are not marked; the strongest is chosen below it.
constexpr double markedClusterP = 0.5;

// Fewest samples the zoom shows, so that a cluster of one sample still shows its neighbours.
constexpr std::int64_t smallestZoom = 96;

struct FigureZoom {
    std::int64_t first = 0;      // the cluster's (or the largest difference's) first index
    std::int64_t last = 0;       // and last, both included
    std::int64_t viewFirst = 0;  // what the panel shows, within the window
    std::int64_t viewLast = 0;
    std::optional<FigureCluster> cluster;  // the cluster zoomed on; absent for a difference
};

// The marked cluster with the smallest p (ties: the larger |mass|, then the earlier one); else
// the index of the largest |difference|; nullopt when the window is empty or has no difference.
// The view is first - size .. last + size, widened evenly to smallestZoom samples and then
// moved (not cut) to lie within the window where the window allows.
std::optional<FigureZoom> chooseZoom(const FigureData& data);

// The mean of reference minus comparison over first .. last, and the root mean square of the
// reference mean there; NaN where no value is finite.
struct ZoomFigures {
    double meanDifference = 0;
    double referenceRms = 0;
};
ZoomFigures zoomFigures(const FigureData& data, const FigureZoom& zoom);

// "−31.2 dB": |difference| relative to rms in decibels, one decimal; "−∞ dB" for no difference,
// empty when rms is zero or either is not a number.
std::string decibelText(double difference, double rms);

// The zoom panel's description line, e.g. "Indices 22050 to 22057 (offsets 39690 to 39697), 8
// samples, mass 35.2, p = 0.000999; mean difference 41.3 LSB (−52.1 dB re reference RMS)", the
// decibels relative to the reference mean's RMS over the cluster; for the largest difference
// "Index 1234 (offset 18874): 41.3 LSB (...)".
std::string zoomFactsText(const FigureData& data, const FigureZoom& zoom);

}  // namespace trellmark
