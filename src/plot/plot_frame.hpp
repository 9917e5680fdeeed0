#pragma once
// One panel's plotting area: where a sample offset and a value land on the page.

#include <cstddef>
#include <cstdint>

#include "plot/axis_ticks.hpp"

namespace trellmark {

struct Rect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
};

// The x axis runs over sample offsets after the impulse: sample i of the window sits at
// startOffset + i, in the middle of a slot one sample wide. area.width is a whole number of
// device units, one pixel column each.
struct PlotFrame {
    Rect area;
    std::int64_t startOffset = 0;
    std::size_t sampleCount = 0;
    AxisRange values;  // the y axis

    std::size_t columns() const { return static_cast<std::size_t>(area.width); }
    bool perSample() const { return sampleCount <= columns(); }

    // x of a sample offset (fractions allowed); the window's ends are the area's edges.
    double xAt(double offset) const;
    // x of entry k of columnExtremes for this frame: sample k's x, or pixel column k's middle.
    double entryX(std::size_t k) const;
    // The left and right edge of entry k.
    double entryLeft(std::size_t k) const;
    double entryRight(std::size_t k) const;
    // y of a value; values beyond the axis (infinite ones too) stop just outside the area, so
    // the clipped drawing shows them at its edge. value must not be NaN.
    double yAt(double value) const;
};

}  // namespace trellmark
