#include "plot/axis_ticks.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace trellmark {
namespace {

// Ranges narrower than this share of their magnitude are flat to the precision of a double.
constexpr double flatShare = 1e-9;
// Below this the steps of the ticks would leave the range of normal doubles.
constexpr double tiniestHalfWidth = 1e-200;

// A round step written as tenths times a power of ten: 2.5 is 25 x 10^-1, so every tick value
// is an integer times an exact power of ten and rounds once.
struct RoundStep {
    std::int64_t tenths;  // 10, 20, 25 or 50
    int power;
};

double powerOfTen(int power) {
    static constexpr std::array<double, 23> exact = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (power >= 0 && power < static_cast<int>(exact.size())) return exact[power];
    return std::pow(10.0, power);
}

double scaled(double count, int power) {
    if (power >= 0) return count * powerOfTen(power);
    if (-power < 23) return count / powerOfTen(-power);
    return count * powerOfTen(power);
}

double stepValue(RoundStep step) {
    return scaled(static_cast<double>(step.tenths), step.power);
}

// Steps of ten tenths or more, except 25 tenths (2.5).
bool isWhole(RoundStep step) {
    return step.power >= 0 || (step.power == -1 && step.tenths != 25);
}

RoundStep nextStep(RoundStep step) {
    switch (step.tenths) {
        case 10:
            return {20, step.power};
        case 20:
            return {25, step.power};
        case 25:
            return {50, step.power};
        default:
            return {10, step.power + 1};
    }
}

// The indices k of the multiples k x step within the range; a hair of tolerance keeps ends that
// are themselves multiples.
struct MultipleSpan {
    double first;
    double last;
};

MultipleSpan multiplesWithin(AxisRange range, double step) {
    return {std::ceil(range.low / step - 1e-9), std::floor(range.high / step + 1e-9)};
}

// low <= high, both finite.
bool isFlat(double low, double high) {
    const double halfWidth = high / 2 - low / 2;
    const double magnitude = std::max(std::fabs(low), std::fabs(high));
    return halfWidth <= magnitude * flatShare || halfWidth < tiniestHalfWidth;
}

}  // namespace

AxisRange axisRange(double low, double high) {
    if (!std::isfinite(low) || !std::isfinite(high)) return {-1, 1};
    if (high < low) std::swap(low, high);
    // Halves throughout, so that ranges near the largest doubles do not overflow.
    const double halfWidth = high / 2 - low / 2;
    if (isFlat(low, high)) {
        const double centre = low / 2 + high / 2;
        const double half = std::fabs(centre) < tiniestHalfWidth ? 1 : std::fabs(centre) / 10;
        return {centre - half, centre + half};
    }
    const double margin = halfWidth * 0.08;
    constexpr double largest = std::numeric_limits<double>::max();
    return {std::max(low - margin, -largest), std::min(high + margin, largest)};
}

AxisTicks chooseTicks(AxisRange range, int maxTicks, bool wholeSteps) {
    if (!std::isfinite(range.low) || !std::isfinite(range.high) || !(range.low < range.high) ||
        isFlat(range.low, range.high)) {
        range = axisRange(range.low, range.high);
    }
    maxTicks = std::max(maxTicks, 1);
    const double halfWidth = range.high / 2 - range.low / 2;
    const double roughStep = std::log10(halfWidth) + std::log10(2.0 / maxTicks);
    RoundStep step{10, static_cast<int>(std::floor(roughStep)) - 2};
    MultipleSpan span = multiplesWithin(range, stepValue(step));
    while (span.last - span.first + 1 > maxTicks || (wholeSteps && !isWhole(step))) {
        step = nextStep(step);
        span = multiplesWithin(range, stepValue(step));
    }
    AxisTicks ticks;
    ticks.step = stepValue(step);
    for (double k = span.first; k <= span.last; k += 1) {
        ticks.values.push_back(scaled(k * static_cast<double>(step.tenths), step.power));
    }
    ticks.decimals = std::max(0, -step.power);
    if (step.tenths % 10 == 0 && ticks.decimals > 0) --ticks.decimals;
    return ticks;
}

std::string tickLabel(double value, const AxisTicks& ticks) {
    double largest = 0;
    for (double v : ticks.values) largest = std::max(largest, std::fabs(v));
    const int integerDigits =
        largest < 1 ? 1 : static_cast<int>(std::floor(std::log10(largest))) + 1;
    std::array<char, 64> text{};
    std::to_chars_result written{};
    if (integerDigits + ticks.decimals > 8) {
        if (value == 0) return "0";
        written = std::to_chars(text.data(), text.data() + text.size(), value,
                                std::chars_format::scientific);
    } else {
        written = std::to_chars(text.data(), text.data() + text.size(), value,
                                std::chars_format::fixed, ticks.decimals);
    }
    std::string label(text.data(), written.ptr);
    // A fixed label of a value that rounds to zero shows no sign.
    if (label.front() == '-' && label.find_first_not_of("-0.") == std::string::npos) {
        label.erase(0, 1);
    }
    if (label.front() == '-') label.replace(0, 1, "\u2212");  // a true minus, as wide as plus
    return label;
}

}  // namespace trellmark
