#include "terminal/viewport.hpp"

#include <gtest/gtest.h>

namespace trellmark {
namespace {

TEST(FollowCursor, EverythingFitsShowsFromTheStart) {
    EXPECT_EQ(followCursor(0, 119, 120, 120), 0);
    EXPECT_EQ(followCursor(30, 119, 120, 200), 0);  // terminal grew past the screen
    EXPECT_EQ(followCursor(5, 3, 120, 0), 0);       // nothing shown at all
}

TEST(FollowCursor, MovesOnlyWhenTheCursorLeavesTheView) {
    // 80 of 120 columns shown.
    EXPECT_EQ(followCursor(0, 71, 120, 80), 0);
    EXPECT_EQ(followCursor(0, 79, 120, 80), 0);
    EXPECT_EQ(followCursor(0, 80, 120, 80), 1);
    EXPECT_EQ(followCursor(0, 119, 120, 80), 40);
    EXPECT_EQ(followCursor(40, 60, 120, 80), 40);  // still in view: no jump back
    EXPECT_EQ(followCursor(40, 39, 120, 80), 39);
    EXPECT_EQ(followCursor(40, 0, 120, 80), 0);
    // 24 of 50 rows.
    EXPECT_EQ(followCursor(0, 49, 50, 24), 26);
    EXPECT_EQ(followCursor(26, 30, 50, 24), 26);
}

TEST(FollowCursor, ShrinkingOrGrowingTerminalKeepsTheViewOnTheScreen) {
    EXPECT_EQ(followCursor(40, 119, 120, 100), 20);  // grew: no blank columns past the screen
    EXPECT_EQ(followCursor(0, 119, 120, 1), 119);
    EXPECT_EQ(followCursor(-5, 0, 120, 80), 0);
}

// Shrunk to 60x20 at an answer (column 71, row 30), then grown to 100x40: the
// view must not keep the offset the small terminal needed.
TEST(ViewOrigin, AResizeStartsTheViewAfreshAtTheTopLeft) {
    const int column = viewOrigin(0, true, 71, 120, 60);
    const int row = viewOrigin(0, true, 30, 50, 20);
    EXPECT_EQ(column, 12);
    EXPECT_EQ(row, 11);
    EXPECT_EQ(viewOrigin(column, true, 71, 120, 100), 0);
    EXPECT_EQ(viewOrigin(row, true, 30, 50, 40), 0);
    EXPECT_EQ(viewOrigin(row, true, 45, 50, 40), 6);         // as low as still shows the cursor
    EXPECT_EQ(viewOrigin(column, false, 71, 120, 100), 12);  // no resize: no jump
}

}  // namespace
}  // namespace trellmark
