#pragma once
// The confidence level of a run: the number as the user typed it, which the
// report prints unchanged (97 stays 97), and the test that number selects.

#include <cstdint>

namespace trellmark {

// Only 95 and 99 per cent have a table of critical values; any other level
// tests nothing.
enum class TestLevel { none, percent95, percent99 };

struct ConfidenceLevel {
    constexpr ConfidenceLevel(std::int16_t asTyped = 0) : typed(asTyped) {}
    constexpr TestLevel test() const {
        if (typed == 95) return TestLevel::percent95;
        if (typed == 99) return TestLevel::percent99;
        return TestLevel::none;
    }
    bool operator==(const ConfidenceLevel&) const = default;

    std::int16_t typed;
};

// The level a test is made at: 95 or 99; 0 for none.
constexpr int percentOf(TestLevel level) {
    return level == TestLevel::percent95 ? 95 : level == TestLevel::percent99 ? 99 : 0;
}

// The chance of a false "significant" the test allows: 0.05, 0.01; 0 for none.
constexpr double alphaOf(TestLevel level) {
    return level == TestLevel::percent95 ? 0.05 : level == TestLevel::percent99 ? 0.01 : 0.0;
}

}  // namespace trellmark
