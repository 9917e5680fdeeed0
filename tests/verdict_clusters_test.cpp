#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "verdict/clusters.hpp"

namespace trellmark {

void PrintTo(const Cluster& c, std::ostream* out) {
    *out << "{" << c.first << ", " << c.last << ", " << c.mass << "}";
}

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

struct ClusterCase {
    const char* name;
    std::vector<double> t;
    std::vector<std::uint8_t> significant;
    std::vector<double> difference;
    std::vector<Cluster> expected;
};

TEST(VerdictClusters, RunsOfOneSignBetweenGaps) {
    const std::vector<ClusterCase> cases = {
        {"at the window's start and end",
         {3, 4, 0.5, -1, 2.5, 5},
         {1, 1, 0, 0, 1, 1},
         {1, 1, 1, -1, 1, 1},
         {{0, 1, 7}, {4, 5, 7.5}}},
        {"a sign change inside a run splits it",
         {3, 4, -5, -2.5, 6},
         {1, 1, 1, 1, 1},
         {1, 1, -1, -1, 1},
         {{0, 1, 7}, {2, 3, -7.5}, {4, 4, 6}}},
        {"a single index", {0.1, -9, 0.2}, {0, 1, 0}, {1, -1, 1}, {{1, 1, -9}}},
        {"the whole window", {2, 2, 2}, {1, 1, 1}, {1, 1, 1}, {{0, 2, 6}}},
        {"nothing significant", {9, -9}, {0, 0}, {1, -1}, {}},
        {"an empty window", {}, {}, {}, {}},
        {"no scatter makes the mass infinite",
         {3, inf, 1, -inf, -2},
         {1, 1, 1, 1, 1},
         {1, 1, 1, -1, -1},
         {{0, 2, inf}, {3, 4, -inf}}},
        // The program's test marks an index without scatter significant when the
        // means differ; its t may come as NaN, and the difference gives the sign.
        {"a NaN t takes the difference's sign",
         {nan, 2, nan, nan},
         {1, 1, 1, 1},
         {-3, 1, 2, 0},
         {{0, 0, -inf}, {1, 2, inf}}},
    };
    for (const ClusterCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(findClusters(c.t, c.significant, c.difference), c.expected);
    }
}

TEST(VerdictClusters, MassSumsInIndexOrder) {
    // 1e16 + 1 + 1 rounds to 1e16 twice when summed from the left; summed from
    // the right it would give 1e16 + 2.
    const std::vector<Cluster> clusters =
        findClusters(std::vector{1e16, 1.0, 1.0}, std::vector<std::uint8_t>{1, 1, 1},
                     std::vector{1.0, 1.0, 1.0});
    ASSERT_EQ(clusters.size(), 1U);
    EXPECT_EQ(clusters[0].mass, 1e16);
}

}  // namespace
}  // namespace trellmark
