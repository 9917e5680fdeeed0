#include "verdict/split_draw.hpp"

#include <numeric>
#include <utility>

#include "verdict/wide_integers.hpp"

namespace trellmark {
namespace {

constexpr std::uint64_t goldenGamma = 0x9E3779B97F4A7C15ULL;

std::uint64_t splitmixFinal(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t rotateLeft(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

struct Xoshiro256 {
    std::uint64_t s[4];

    std::uint64_t next() {
        const std::uint64_t result = rotateLeft(s[1] * 5, 7) * 9;
        const std::uint64_t t = s[1] << 17;
        s[2] ^= s[0];
        s[3] ^= s[1];
        s[1] ^= s[2];
        s[0] ^= s[3];
        s[2] ^= t;
        s[3] = rotateLeft(s[3], 45);
        return result;
    }

    // Uniform on 0 .. bound - 1 without bias: the multiply-and-reject method,
    // whose rejections depend only on the generator's own output.
    std::uint32_t below(std::uint32_t bound) {
        std::uint64_t product = (next() >> 32) * bound;
        auto low = static_cast<std::uint32_t>(product);
        if (low < bound) {
            const std::uint32_t threshold = -bound % bound;
            while (low < threshold) {
                product = (next() >> 32) * bound;
                low = static_cast<std::uint32_t>(product);
            }
        }
        return static_cast<std::uint32_t>(product >> 32);
    }
};

// The generator of one split: splitmix64 seeded with seed gives the split's
// own start (its output number split + 1), and splitmix64 from there fills the
// state, as the generator's authors advise.
Xoshiro256 generatorFor(std::uint64_t seed, std::int64_t split) {
    std::uint64_t state =
        splitmixFinal(seed + (static_cast<std::uint64_t>(split) + 1) * goldenGamma);
    Xoshiro256 generator{};
    for (std::uint64_t& word : generator.s) {
        state += goldenGamma;
        word = splitmixFinal(state);
    }
    return generator;
}

}  // namespace

std::int64_t binomialCapped(int n, int k, std::int64_t cap) {
    if (k < 0 || k > n) return 0;
    if (k > n - k) k = n - k;
    // After step i the value is C(n - k + i, i): a whole number, so each
    // division is exact; it only grows, so stopping past the cap is safe.
    Int128 value = 1;
    for (int i = 1; i <= k; ++i) {
        value = value * (n - k + i) / i;
        if (value > cap) return cap + 1;
    }
    return static_cast<std::int64_t>(value);
}

void drawRandomGroup(std::uint64_t seed, std::int64_t split, std::span<std::uint32_t> scratch,
                     std::span<std::uint32_t> group) {
    Xoshiro256 generator = generatorFor(seed, split);
    std::iota(scratch.begin(), scratch.end(), 0U);
    const auto takes = static_cast<std::uint32_t>(scratch.size());
    for (std::uint32_t i = 0; i < group.size(); ++i) {
        std::swap(scratch[i], scratch[i + generator.below(takes - i)]);
        group[i] = scratch[i];
    }
}

void groupOfRank(int takes, std::int64_t rank, std::span<std::uint32_t> group) {
    const int k = static_cast<int>(group.size());
    int candidate = 0;
    for (int position = 0; position < k; ++position) {
        // Subsets whose next member is `candidate` come first: C(takes -
        // candidate - 1, k - position - 1) of them.
        for (;; ++candidate) {
            const std::int64_t starting =
                binomialCapped(takes - candidate - 1, k - position - 1, rank);
            if (rank < starting) break;
            rank -= starting;
        }
        group[position] = static_cast<std::uint32_t>(candidate++);
    }
}

bool nextGroup(int takes, std::span<std::uint32_t> group) {
    const int k = static_cast<int>(group.size());
    int position = k - 1;
    while (position >= 0 && group[position] == static_cast<std::uint32_t>(takes - k + position)) {
        --position;
    }
    if (position < 0) return false;
    ++group[position];
    for (int i = position + 1; i < k; ++i) group[i] = group[i - 1] + 1;
    return true;
}

}  // namespace trellmark
