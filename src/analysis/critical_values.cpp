#include "analysis/critical_values.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace trellmark {
namespace {

// Anchor values for 1 .. 30 degrees of freedom, then 40, 60, 120 and the
// limit for infinitely many; the entries between anchors are interpolated.
struct Anchors {
    std::array<double, 30> first30;
    double at40;
    double at60;
    double at120;
    double limit;
};

constexpr Anchors anchors95{{12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306, 2.262, 2.228,
                             2.201,  2.179, 2.160, 2.145, 2.131, 2.120, 2.110, 2.101, 2.093, 2.086,
                             2.080,  2.074, 2.069, 2.064, 2.060, 2.056, 2.052, 2.048, 2.045, 2.042},
                            2.021,
                            2.000,
                            1.980,
                            1.960};

constexpr Anchors anchors99{{63.657, 9.925, 5.841, 4.604, 4.032, 3.707, 3.499, 3.355, 3.250, 3.169,
                             3.106,  3.055, 3.012, 2.977, 2.947, 2.921, 2.898, 2.878, 2.861, 2.845,
                             2.831,  2.819, 2.807, 2.797, 2.787, 2.779, 2.771, 2.763, 2.756, 2.750},
                            2.704,
                            2.660,
                            2.617,
                            2.576};

// Linear in the degrees of freedom between two anchors, so that each segment
// meets its anchors exactly.
void interpolate(std::array<double, criticalValueEntries + 1>& table, int lower, int upper) {
    const double low = table[lower];
    const double high = table[upper];
    const int width = upper - lower;
    for (int k = 1; k < width; ++k) {
        table[lower + k] = low - ((low - high) * k) / width;
    }
}

void fillTable(std::array<double, criticalValueEntries + 1>& table, const Anchors& anchors) {
    for (int entry = 1; entry <= 30; ++entry) table[entry] = anchors.first30[entry - 1];
    table[40] = anchors.at40;
    table[60] = anchors.at60;
    table[120] = anchors.at120;
    table[121] = anchors.limit;
    interpolate(table, 30, 40);
    interpolate(table, 40, 60);
    interpolate(table, 60, 120);
}

std::int16_t capped(double f) {
    return f > 120 ? std::int16_t{criticalValueEntries} : static_cast<std::int16_t>(f);
}

}  // namespace

CriticalValueTable buildCriticalValueTables() {
    CriticalValueTable tables;
    fillTable(tables.percent95, anchors95);
    fillTable(tables.percent99, anchors99);
    return tables;
}

double criticalValue(const CriticalValueTable& tables, TestLevel level, int d) {
    return level == TestLevel::percent99 ? tables.percent99[d] : tables.percent95[d];
}

std::int16_t degreesOfFreedom(int nR, int nC, double a, double b) {
    if (nR == nC) {
        // Sets of up to 1000 files: 2(n - 1) fits easily before the cap.
        return capped(2.0 * (nR - 1));
    }
    // The value does not change when a and b are scaled together; very small or
    // very large terms are brought near 1 first so their squares neither vanish
    // nor overflow. Scaling by a power of two is exact, so every step below
    // rounds as it would unscaled.
    const double larger = std::max(std::fabs(a), std::fabs(b));
    if (std::isfinite(larger) && larger > 0 && (larger < 1e-100 || larger > 1e100)) {
        int exponent = 0;
        std::frexp(larger, &exponent);
        a = std::ldexp(a, -exponent);
        b = std::ldexp(b, -exponent);
    }
    const double sum = a + b;
    const double welch = (sum * sum) / ((a * a) / (nR - 1) + (b * b) / (nC - 1));
    if (!(welch >= 0)) return 0;                   // not a number, or no meaningful count
    if (welch > 1e6) return criticalValueEntries;  // capped anyway; keeps the conversion defined
    double f = std::nearbyint(welch);
    if (f > welch) f -= 1;
    return capped(f);
}

double welchDegreesOfFreedom(int nR, int nC, double sR, double sC) {
    // The value does not change when both standard deviations are scaled
    // together. Bringing the larger near 1 by a power of two (exact) keeps the
    // squares and their squares clear of underflow and overflow.
    const double larger = std::max(std::fabs(sR), std::fabs(sC));
    if (!(larger > 0)) return std::numeric_limits<double>::quiet_NaN();
    if (std::isfinite(larger)) {
        int exponent = 0;
        std::frexp(larger, &exponent);
        sR = std::ldexp(sR, -exponent);
        sC = std::ldexp(sC, -exponent);
    }
    const double a = (sR * sR) / nR;
    const double b = (sC * sC) / nC;
    const double sum = a + b;
    return (sum * sum) / ((a * a) / (nR - 1) + (b * b) / (nC - 1));
}

}  // namespace trellmark
