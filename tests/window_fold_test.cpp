#include "analysis/window_fold.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace trellmark {
namespace {

struct Sums {
    std::vector<double> shift, mean, sumOfSquares;
    explicit Sums(std::size_t length) : shift(length), mean(length), sumOfSquares(length) {}
    FoldSums view() { return {shift, mean, sumOfSquares}; }
};

struct FileCase {
    double level;
    std::vector<std::int32_t> window;
};

// Folds the files one after another along path.
Sums foldAll(FoldPath path, double referenceLevel, double fileCount,
             const std::vector<FileCase>& files, std::size_t length) {
    Sums sums(length);
    bool first = true;
    for (const FileCase& file : files) {
        foldWindow(path, file.window, file.level, referenceLevel, fileCount, first, sums.view());
        first = false;
    }
    return sums;
}

void expectSameBits(const std::vector<double>& wide, const std::vector<double>& scalar,
                    const char* what) {
    ASSERT_EQ(wide.size(), scalar.size());
    for (std::size_t j = 0; j < wide.size(); ++j) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(wide[j]), std::bit_cast<std::uint64_t>(scalar[j]))
            << what << " at " << j << ": " << wide[j] << " against " << scalar[j];
    }
}

// Values that make every step of the scaling awkward: ties at .5 after the
// division, extreme values of both depths, zeros and negatives.
std::vector<std::int32_t> awkwardValues(std::size_t length, int seed) {
    static const std::int32_t pattern[] = {0,
                                           1,
                                           -1,
                                           2,
                                           -2,
                                           3,
                                           -3,
                                           5,
                                           -5,
                                           7,
                                           -7,
                                           8388607,
                                           -8388608,
                                           32767,
                                           -32768,
                                           2147483647,
                                           -2147483647 - 1,
                                           1000001,
                                           -999,
                                           25,
                                           -25,
                                           4,
                                           6};
    std::vector<std::int32_t> values(length);
    for (std::size_t j = 0; j < length; ++j) {
        values[j] = pattern[(j * 7 + static_cast<std::size_t>(seed) * 5) % std::size(pattern)];
    }
    return values;
}

struct LevelCase {
    const char* name;
    double referenceLevel;
    std::vector<double> levels;  // one per file; the first sets the shift
    double fileCount;
};

TEST(WindowFold, EveryPathGivesTheScalarBitsOnAwkwardWindows) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const std::vector<LevelCase> cases{
        {"ties at one half", 1.0, {2.0, 2.0, 4.0}, 3},
        {"levels a little apart", 3456.789, {3456.789, 3390.25, 3511.5}, 3},
        {"silent files among loud ones", 1000.0, {0.0, 250.0, 0.0}, 3},
        {"silent reference", 0.0, {250.0, 0.0, 1.0}, 3},
        {"levels that are not numbers", 100.0, {nan, 50.0, nan}, 3},
        {"not-a-number reference", nan, {100.0, 100.0}, 2},
        {"ratios clamped at 2^62", 1e20, {1.0, 1e-3, 1e-300}, 3},
        {"ratios that overflow", 1e300, {1e-300, 1e-10, 2.0}, 3},
        {"infinite levels", 100.0, {infinity, -infinity, 3.0}, 3},
        {"negative levels", 100.0, {-7.0, 9.0, -0.5}, 3},
        {"no file count", 100.0, {99.0, 101.0}, 0},
    };
    // Lengths around the vector widths, so every path has a remainder.
    for (const std::size_t length : {0u, 1u, 2u, 3u, 5u, 7u, 9u, 23u, 46u, 1001u}) {
        for (const LevelCase& c : cases) {
            std::vector<FileCase> files;
            for (std::size_t f = 0; f < c.levels.size(); ++f) {
                files.push_back({c.levels[f], awkwardValues(length, static_cast<int>(f))});
            }
            const Sums scalar =
                foldAll(FoldPath::scalar, c.referenceLevel, c.fileCount, files, length);
            for (const FoldPath path : {FoldPath::sse2, FoldPath::avx2}) {
                if (!foldPathAvailable(path)) continue;
                SCOPED_TRACE(::testing::Message() << c.name << ", length " << length << ", path "
                                                  << static_cast<int>(path));
                const Sums wide = foldAll(path, c.referenceLevel, c.fileCount, files, length);
                expectSameBits(wide.shift, scalar.shift, "shift");
                expectSameBits(wide.mean, scalar.mean, "mean");
                expectSameBits(wide.sumOfSquares, scalar.sumOfSquares, "sum of squares");
            }
        }
    }
}

TEST(WindowFold, ScalarPathScalesAsTheIntegerRulesSay) {
    // 1 x -1 / 4 = -0.25 rounds to -0, which enters as +0, as an integer would.
    Sums sums(4);
    const std::vector<std::int32_t> window{-1, 5, -5, 2147483647};
    foldWindow(FoldPath::scalar, window, 2.0, 1.0, 2.0, true, sums.view());
    EXPECT_EQ(std::bit_cast<std::uint64_t>(sums.shift[0]), 0u);
    EXPECT_EQ(sums.shift[1], 2.0);           // 2.5 to even
    EXPECT_EQ(sums.shift[2], -2.0);          // -2.5 to even
    EXPECT_EQ(sums.shift[3], 1073741824.0);  // 1073741823.5 to even
    EXPECT_EQ(sums.mean, (std::vector<double>{0.0, 1.0, -1.0, 536870912.0}));
    // A second file with level 1: deviations from the first file's values.
    foldWindow(FoldPath::scalar, window, 1.0, 1.0, 2.0, false, sums.view());
    EXPECT_EQ(sums.sumOfSquares, (std::vector<double>{1.0, 9.0, 9.0, 1073741823.0 * 1073741823.0}));
    // The clamp at 2^62 keeps the deviation of opposite extremes at 2^63.
    Sums extremes(1);
    foldWindow(FoldPath::scalar, std::vector<std::int32_t>{1}, 1.0, 1e300, 1.0, true,
               extremes.view());
    foldWindow(FoldPath::scalar, std::vector<std::int32_t>{-1}, 1.0, 1e300, 1.0, false,
               extremes.view());
    EXPECT_EQ(extremes.shift[0], std::ldexp(1.0, 62));
    EXPECT_EQ(extremes.sumOfSquares[0], std::ldexp(1.0, 126));
}

}  // namespace
}  // namespace trellmark
