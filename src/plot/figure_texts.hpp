#pragma once
// The words and numbers of the figure's headings, legend and marks.

#include <optional>
#include <string>

#include "plot/figure_data.hpp"

namespace trellmark {

// "dir/core": the directory and the core name joined by one slash; either alone when the other
// is empty.
std::string setLabelText(const FigureSetLabel& label);

// The unit of the signal axes: "LSB at 16 bit", or "LSB" when the depth is not known.
std::string lsbUnitText(std::int32_t bitsPerSample);

// A count as digits; a count expected by chance to one decimal, without a trailing ".0".
std::string countText(std::int64_t count);
std::string expectedCountText(double expected);

// "p = 0.0342", "p = 0.000999", "p = 1": three significant digits; nullopt when p is not a
// number.
std::optional<std::string> pValueText(double p);

// What the cluster strip shows: "Clusters, p < 0.5; labelled: p < 0.05"; without the second
// part when alpha is 0.
std::string clusterLegendText(double alpha);

// The t panel's summary: "Verdict: differ; 120 of 44100 samples significant, 2205 expected by
// chance", with each part present only when the run gave it; empty when none is.
std::string summaryText(const FigureData& data);

// The t panel's heading: "t, with ± critical t at 95 %; shaded: significant samples".
std::string tHeadingText(std::int32_t confidencePercent);

}  // namespace trellmark
