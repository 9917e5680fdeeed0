#pragma once
// Choosing an axis's range and its tick marks on round steps (1, 2, 2.5 or 5 times a power of ten).

#include <string>
#include <vector>

namespace trellmark {

struct AxisRange {
    double low = 0;
    double high = 1;
};

struct AxisTicks {
    double step = 1;
    std::vector<double> values;  // ascending, every multiple of step within the range
    int decimals = 0;            // of step written out in full: 2.5 has 1, 0.05 has 2, 50 has 0
};

// The range an axis shows for data between low and high: a margin of 4 per cent of the width on
// either side; a zero-width range is opened around its value (to -1..1 around 0); a bound that
// is not finite gives -1..1.
AxisRange axisRange(double low, double high);

// The smallest round step that puts at most maxTicks ticks into the range, and every multiple of
// it within the range. Each value is the double nearest to the decimal multiple, so 3 x 0.1 is
// 0.3. A range that axisRange would open (empty, flat, not finite) is opened first.
// wholeSteps admits only steps that are whole numbers (1, 2, 5, 10, 20, 25, ...), for axes of
// counted things such as sample offsets.
AxisTicks chooseTicks(AxisRange range, int maxTicks, bool wholeSteps = false);

// A tick value as its label: fixed with the step's decimals ("2.5", "-10", "0"), or in the
// shortest exponent form when that would take more than 8 digits ("1.25e+12").
std::string tickLabel(double value, const AxisTicks& ticks);

}  // namespace trellmark
