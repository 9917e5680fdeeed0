#pragma once
// How loud a take is after its impulse.

#include <cstdint>
#include <span>

namespace trellmark {

// The level window: 4410 values beginning 6616 values after the impulse.
constexpr std::int64_t levelWindowSkip = 6615;  // the window starts after p + 6615
constexpr std::int64_t levelWindowLength = 4410;

// Root mean square of the 4410 values of a level window (the values at
// p + 6616 .. p + 11025 of a file).
// A float take's values are doubles.
double measureLevel(std::span<const std::int32_t> levelWindow);
double measureLevel(std::span<const double> levelWindow);

}  // namespace trellmark
