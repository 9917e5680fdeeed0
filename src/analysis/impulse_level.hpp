#pragma once
// Where a take's impulse is and how loud the take is after it.

#include <cstdint>
#include <span>

namespace trellmark {

// The level window: 4410 values beginning 6616 values after the impulse.
constexpr std::int64_t levelWindowSkip = 6615;  // the window starts after p + 6615
constexpr std::int64_t levelWindowLength = 4410;

// Index of the first value strictly above threshold; values.size() when none.
std::int64_t findImpulse(std::span<const std::int32_t> values, std::int32_t threshold);

// Root mean square of the 4410 values of a level window (the values at
// p + 6616 .. p + 11025 of a file).
// A float take's values are doubles.
double measureLevel(std::span<const std::int32_t> levelWindow);
double measureLevel(std::span<const double> levelWindow);

}  // namespace trellmark
