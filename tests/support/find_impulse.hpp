#pragma once
// The impulse search written plainly, as the reference the reader's fast
// search is checked against.

#include <cstdint>
#include <span>

namespace trellmark {

// Index of the first value strictly above threshold; values.size() when none.
inline std::int64_t findImpulse(std::span<const std::int32_t> values, std::int32_t threshold) {
    for (std::size_t x = 0; x < values.size(); ++x) {
        if (values[x] > threshold) return static_cast<std::int64_t>(x);
    }
    return static_cast<std::int64_t>(values.size());
}

}  // namespace trellmark
