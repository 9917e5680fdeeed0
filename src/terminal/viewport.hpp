#pragma once
// Which part of the screen a terminal smaller than the screen shows. The view
// moves only when the cursor would leave it, and then as little as it can, so
// that what the user types is always in sight and the view does not jump.

namespace trellmark {

// The first screen column (or row) to show, given the one shown so far, the
// cursor's column (or row), the screen's size and how many the terminal shows.
// Always between 0 and size - shown (0 when everything fits).
int followCursor(int origin, int cursor, int size, int shown);

// The same after a change of the terminal's size: the view starts afresh at
// the top left and moves only as far as the cursor needs, so no offset that
// served the old size cuts off the prompts.
int viewOrigin(int origin, bool resized, int cursor, int size, int shown);

}  // namespace trellmark
