// Welch densities and levels against scipy.signal.welch(x, fs, window="hann",
// nperseg=N, noverlap=N//2, detrend="constant", scaling="density"), whose
// values are pasted in below.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "spectrum/run_spectrum.hpp"
#include "spectrum/welch_density.hpp"

namespace trellmark {
namespace {

// Whole numbers -100 .. 100 from a 64-bit linear congruential generator, the
// same in the script that computed the expected values.
std::vector<std::int64_t> congruentialNoise(std::size_t count, std::uint64_t state) {
    std::vector<std::int64_t> values(count);
    for (std::int64_t& value : values) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        value = static_cast<std::int64_t>((state >> 33) % 201) - 100;
    }
    return values;
}

// round(1000 sin(2 pi cycles n / 64) + 7), n = 0 .. 255.
std::vector<std::int64_t> roundedSine(double cycles) {
    std::vector<std::int64_t> values(256);
    for (std::size_t n = 0; n < values.size(); ++n) {
        values[n] = static_cast<std::int64_t>(
            std::nearbyint(1000 * std::sin(2 * std::numbers::pi * cycles * n / 64) + 7));
    }
    return values;
}

void expectRelative(double expected, double actual, double tolerance) {
    EXPECT_NEAR(actual, expected, std::fabs(expected) * tolerance) << "expected " << expected;
}

TEST(WelchDensity, SineAtABinCentreAndBetweenBinsAsScipy) {
    struct Case {
        double cycles;
        std::vector<double> bins5To11;  // scipy's density; below 1e-20 only round-off
    };
    const std::vector<Case> cases = {
        {8.0, {0, 0, 5332.527969594076, 21330.111878376305, 5332.527969594074, 0, 0}},
        {8.5,
         {1.407711130728364, 12.473165122083179, 615.5833015914642, 15372.629714250634,
          15372.072565803082, 614.7765776150067, 12.549205714959735}},
    };
    WelchTransform transform(64);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cycles);
        const std::vector<double> density = transform.density(roundedSine(c.cycles), 1000.0);
        ASSERT_EQ(density.size(), 33u);
        for (std::size_t i = 0; i < c.bins5To11.size(); ++i) {
            if (c.bins5To11[i] == 0) {
                // The Hann window's leakage of a tone at a bin centre ends at
                // the next bin but one: the level is the floor.
                EXPECT_LT(density[5 + i], 1e-20);
                EXPECT_EQ(levelDb(density[5 + i]), -200.0);
            } else {
                expectRelative(c.bins5To11[i], density[5 + i], 1e-9);
            }
        }
    }
    // Between bins: DC and Nyquist are not doubled.
    const std::vector<double> density = transform.density(roundedSine(8.5), 1000.0);
    expectRelative(35.629002542659585, density[0], 1e-9);
    expectRelative(4.3115624404153236e-05, density[32], 1e-9);
}

TEST(WelchDensity, WhiteNoiseAsScipyAndAtItsTheoreticalLevel) {
    WelchTransform small(64);
    // 300 samples hold 8 whole segments of 64; the last 12 samples are unused.
    const std::vector<double> density = small.density(congruentialNoise(300, 12345), 48000.0);
    expectRelative(0.17260148740830153, density[1], 1e-9);
    expectRelative(0.0934004571242558, density[17], 1e-9);
    expectRelative(0.12502855961284473, density[32], 1e-9);
    double sum = 0;
    for (std::size_t k = 1; k < 32; ++k) sum += density[k];
    expectRelative(0.14000654583014938, sum / 31, 1e-9);

    // Uniform -100 .. 100 has variance (201^2 - 1) / 12: a one-sided density
    // of 2 var / fs.
    WelchTransform larger(256);
    const std::vector<double> wide = larger.density(congruentialNoise(8192, 99), 48000.0);
    double wideSum = 0;
    for (std::size_t k = 1; k < 128; ++k) wideSum += wide[k];
    expectRelative(0.14127067293802162, wideSum / 127, 1e-9);
    expectRelative(2 * (201.0 * 201 - 1) / 12 / 48000, wideSum / 127, 0.02);
}

TEST(WelchDensity, SegmentsCountWholeHalfOverlappingSegments) {
    struct Case {
        std::int64_t length;
        int size;
        std::int64_t segments;
    };
    const std::vector<Case> cases = {
        {256, 64, 7},       // divides evenly
        {300, 64, 8},       // 12 samples left over
        {63, 64, 0},        // shorter than one segment
        {64, 64, 1},        // exactly one
        {95, 64, 1},        // one short of a second
        {96, 64, 2},        //
        {44100, 4096, 20},  // a second at 44.1 kHz
    };
    for (const Case& c : cases) {
        EXPECT_EQ(welchSegments(c.length, c.size), c.segments) << c.length << " / " << c.size;
    }
}

TEST(WelchDensity, FftSizesArePowersOfTwoFrom64To65536) {
    const std::vector<std::pair<std::int64_t, bool>> cases = {
        {32, false},  {63, false},   {64, true},      {96, false},
        {4096, true}, {65536, true}, {131072, false}, {0, false},
    };
    for (const auto& [size, valid] : cases) EXPECT_EQ(validFftSize(size), valid) << size;
}

TEST(WelchDensity, LevelIsTenLog10OfTheFlooredDensity) {
    const std::vector<std::pair<double, double>> cases = {
        {1.0, 0.0}, {100.0, 20.0}, {1e-20, -200.0}, {1e-30, -200.0}, {0.0, -200.0}};
    for (const auto& [density, level] : cases) EXPECT_DOUBLE_EQ(levelDb(density), level);
}

}  // namespace
}  // namespace trellmark
