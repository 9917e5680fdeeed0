#include "analysis/fold_worker.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace trellmark {
namespace {

// Window k of a set of `files`: values that differ from take to take and from
// index to index, so that a window folded twice, skipped or out of turn shows.
std::vector<std::int32_t> windowOf(int k, std::int32_t length) {
    std::vector<std::int32_t> window(static_cast<std::size_t>(length));
    for (std::int32_t j = 0; j < length; ++j) window[j] = (j * 31 + k * 977) % 60011 - 30005;
    return window;
}

double levelOf(int k) {
    return 900.0 + 13.0 * (k % 7);
}

WindowAccumulator foldedDirectly(int files, std::int32_t length,
                                 std::vector<std::int64_t>& scaled) {
    WindowAccumulator accumulator = startAccumulation(static_cast<std::int16_t>(files), length);
    for (int k = 0; k < files; ++k) {
        addWindow(accumulator, windowOf(k, length), levelOf(k), 950.0);
        appendScaledWindow(scaled, windowOf(k, length), length, levelOf(k), 950.0);
    }
    return accumulator;
}

// More windows than the worker has arrays, each handed over as soon as an
// array is free; the sums and scaled windows must be those of folding them one
// after another.
TEST(FoldWorker, GivesTheSumsOfFoldingInTurn) {
    constexpr int files = 11;
    // Windows short enough for four jobs and long enough for two.
    for (const std::int32_t length : {1003, 262145}) {
        std::vector<std::int64_t> expectedScaled;
        const WindowAccumulator expected = foldedDirectly(files, length, expectedScaled);
        for (const bool explicitFinish : {true, false}) {
            WindowAccumulator accumulator = startAccumulation(files, length);
            std::vector<std::int64_t> scaled;
            {
                FoldWorker folds(accumulator, &scaled);
                for (int k = 0; k < files; ++k) {
                    // The window as 16-bit bytes, all of it stored.
                    std::vector<unsigned char>& bytes = folds.nextBuffer();
                    bytes.clear();
                    for (const std::int32_t value : windowOf(k, length)) {
                        bytes.push_back(static_cast<unsigned char>(value & 0xFF));
                        bytes.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
                    }
                    StoredValues window;
                    window.count = window.end = length;
                    window.coding = ValueCoding::signed16;
                    window.bytesPerValue = window.stride = 2;
                    window.bytes = bytes;
                    folds.fold(window, levelOf(k), 950.0);
                }
                if (explicitFinish) folds.finish();
            }  // without finish, ending the worker finishes the folds
            EXPECT_EQ(accumulator.filesAdded, files);
            EXPECT_EQ(accumulator.shift, expected.shift);
            EXPECT_EQ(accumulator.mean, expected.mean);
            EXPECT_EQ(accumulator.sumOfSquares, expected.sumOfSquares);
            EXPECT_EQ(scaled, expectedScaled);
        }
    }
}

}  // namespace
}  // namespace trellmark
