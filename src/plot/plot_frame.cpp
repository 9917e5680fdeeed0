#include "plot/plot_frame.hpp"

#include <algorithm>

namespace trellmark {

double PlotFrame::xAt(double offset) const {
    const double count = static_cast<double>(std::max<std::size_t>(sampleCount, 1));
    const double first = static_cast<double>(startOffset) - 0.5;
    return area.left + (offset - first) / count * area.width;
}

double PlotFrame::entryX(std::size_t k) const {
    if (perSample()) return xAt(static_cast<double>(startOffset) + static_cast<double>(k));
    return area.left + static_cast<double>(k) + 0.5;
}

double PlotFrame::entryLeft(std::size_t k) const {
    if (perSample()) return xAt(static_cast<double>(startOffset) + static_cast<double>(k) - 0.5);
    return area.left + static_cast<double>(k);
}

double PlotFrame::entryRight(std::size_t k) const {
    if (perSample()) return xAt(static_cast<double>(startOffset) + static_cast<double>(k) + 0.5);
    return area.left + static_cast<double>(k) + 1;
}

double PlotFrame::yAt(double value) const {
    // Halves, so that an axis spanning nearly all doubles does not overflow.
    const double share = (value / 2 - values.low / 2) / (values.high / 2 - values.low / 2);
    const double y = area.bottom() - share * area.height;
    const double overshoot = 2;
    return std::clamp(y, area.top - overshoot, area.bottom() + overshoot);
}

}  // namespace trellmark
