#include "analysis/memory_budget.hpp"

#include <gtest/gtest.h>

namespace trellmark {
namespace {

TEST(MemoryBudget, LengthsUpToThreeQuartersOfFreeMemoryFit) {
    const std::uint64_t gib = 1ull << 30;
    // 4 GiB free: 3 GiB usable at 96 bytes a sample.
    EXPECT_TRUE(analysisFitsInMemory(33554432, 4 * gib));
    EXPECT_FALSE(analysisFitsInMemory(33554433, 4 * gib));
    EXPECT_FALSE(analysisFitsInMemory(2147483647, 24 * gib));
}

TEST(MemoryBudget, EmptyWindowsAlwaysFit) {
    EXPECT_TRUE(analysisFitsInMemory(0, 0));
    EXPECT_TRUE(analysisFitsInMemory(-5, 0));
    EXPECT_FALSE(analysisFitsInMemory(1, 0));
}

}  // namespace
}  // namespace trellmark
