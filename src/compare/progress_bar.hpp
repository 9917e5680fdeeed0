#pragma once
// A one-line progress bar on standard error while the sets are read, for a
// person watching a terminal; a script's log gets none.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace trellmark {

// The bar's line without control sequences: "[#####.....] 3/10 " and as much
// of the end of `path` as fits in `width` columns (at least 20), a cut path
// beginning with "...". Control bytes of the path show as "?".
std::string progressText(std::size_t done, std::size_t total, std::string_view path,
                         std::size_t width);

// The bar's line while the permutation test runs: "[####......] 3200/10000
// splits tested, about 2 min left", the time left estimated from the pace of
// the splits done so far ("estimating" before any is done).
std::string testProgressText(std::int64_t done, std::int64_t total, double secondsSoFar);

class ProgressBar {
  public:
    // `terminal` is standard error when it is a terminal, else null: then the
    // bar shows nothing. `colour` paints the filled part.
    ProgressBar(std::FILE* terminal, std::size_t width, bool colour)
        : terminal_(terminal), width_(width), colour_(colour) {}
    // Shows the bar for file `done` + 1 of `total`.
    void show(std::size_t done, std::size_t total, std::string_view path);
    // Shows how far the permutation test has come.
    void showTest(std::int64_t done, std::int64_t total, double secondsSoFar);
    // Takes the bar off its line, before anything else is written.
    void hide();
    // Shows the bar again after other output, if it was showing.
    void restore();
    // Takes the bar away for good: the reading is over.
    void stop();

  private:
    void draw();

    std::FILE* terminal_;
    std::size_t width_;
    bool colour_;
    std::string text_;  // the bar's current line; empty when none is kept
    bool showing_ = false;
};

}  // namespace trellmark
