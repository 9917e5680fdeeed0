// A float take's values stay doubles (24-bit steps) until they are scaled,
// and every fold path gives the bits of the plain one for them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/take_reading.hpp"
#include "analysis/window_accumulator.hpp"
#include "analysis/window_fold.hpp"
#include "support/scratch_directory.hpp"
#include "support/wave_bytes.hpp"

namespace trellmark {
namespace {

using namespace wavetest;

// Rounded once, after scaling: 2 * 1.5 is 3, where rounding first would give
// 2 * 2 = 4; ties go to even.
TEST(FloatFold, ValuesAreRoundedOnlyOnceScaled) {
    const std::vector<double> window{0.5, 1.5, 2.5, -0.5, 3.3, -1.25, 0.25};
    const std::vector<std::int64_t> expected{1, 3, 5, -1, 7, -2, 0};
    std::vector<std::int64_t> scaled;
    appendScaledWindow(scaled, std::span<const double>(window), 8, 1.0, 2.0);
    std::vector<std::int64_t> withPadding = expected;
    withPadding.push_back(0);
    EXPECT_EQ(scaled, withPadding);

    WindowAccumulator accumulator = startAccumulation(1, 7);
    addWindow(accumulator, std::span<const double>(window), 1.0, 2.0);
    for (std::size_t j = 0; j < window.size(); ++j) {
        EXPECT_EQ(accumulator.mean[j], static_cast<double>(expected[j])) << j;
    }
}

// Every path, over windows whose lengths leave every remainder of a vector's
// width, with NaN, infinities and huge values among them.
TEST(FloatFold, EveryPathGivesThePlainPathsBits) {
    for (const std::size_t length : {0u, 1u, 2u, 3u, 5u, 8u, 13u, 64u, 67u}) {
        std::vector<double> window(length);
        for (std::size_t j = 0; j < length; ++j) {
            window[j] = (static_cast<double>(j * 7919 % 1000) - 500.0) * 1234.567 / 3.0;
        }
        if (length > 4) {
            window[1] = std::nan("");
            window[2] = INFINITY;
            window[3] = -1e300;
            window[4] = 0.5;
        }
        std::vector<double> plain[3];
        for (auto& sums : plain) sums.assign(length, 1.0);
        const FoldSums plainSums{plain[0], plain[1], plain[2]};
        foldWindow(FoldPath::scalar, std::span<const double>(window), 977.0, 1013.0, 5.0, true,
                   plainSums);
        for (const FoldPath path : {FoldPath::sse2, FoldPath::avx2}) {
            if (!foldPathAvailable(path)) continue;
            std::vector<double> sums[3];
            for (auto& s : sums) s.assign(length, 1.0);
            foldWindow(path, std::span<const double>(window), 977.0, 1013.0, 5.0, true,
                       FoldSums{sums[0], sums[1], sums[2]});
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(sums[k], plain[k])
                    << "path " << static_cast<int>(path) << ", length " << length << ", sum " << k;
            }
        }
    }
}

// A float take and a 24-bit take holding the same steps (float values times
// 2^23) read alike: impulse, level and analysis window.
TEST(FloatFold, AFloatTakeReadsLikeTheTwentyFourBitTakeOfItsSteps) {
    testing::ScratchDirectory dir;
    std::vector<std::int32_t> steps(100 + 17640 + 40);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i] = static_cast<std::int32_t>((i * 104729) % 20001) - 10000;
    }
    steps[100] = 3000000;  // the impulse
    Bytes integer;
    Bytes floating;
    for (const std::int32_t step : steps) {
        appendInteger(integer, 24, step);
        appendFloat(floating, 32, step / 8388608.0);
    }
    const auto fileOf = [](std::uint16_t tag, std::uint16_t bits, const Bytes& data) {
        Bytes chunks;
        appendChunk(chunks, "fmt ", formatBody(tag, 1, 44100, bits));
        appendChunk(chunks, "data", data);
        return riffFile(chunks);
    };
    writeBytes(dir / "24.wav", fileOf(1, 24, integer));
    writeBytes(dir / "float.wav", fileOf(3, 32, floating));

    AnalysisParameters parameters;
    parameters.impulseThreshold = 1000000;
    parameters.analysisLength = 40;
    TakeReader reader;
    TakeReading readings[2];
    std::vector<unsigned char> bytes[2];
    std::vector<double> windows[2];
    const char* names[] = {"24.wav", "float.wav"};
    for (int k = 0; k < 2; ++k) {
        readTake(reader, dir / names[k], parameters, readings[k], bytes[k]);
        decodeStored(readings[k].window, windows[k]);
        EXPECT_EQ(readings[k].note, FileNote::none) << names[k];
    }
    EXPECT_EQ(readings[0].impulsePosition, 100);
    EXPECT_EQ(readings[1].impulsePosition, 100);
    EXPECT_EQ(readings[1].level, readings[0].level);
    EXPECT_EQ(windows[1], windows[0]);
    EXPECT_EQ(readings[1].header.kind, SampleKind::floating);
}

}  // namespace
}  // namespace trellmark
