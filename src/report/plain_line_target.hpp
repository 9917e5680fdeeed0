#pragma once
// Output lines as plain text for standard output: the screen's words and
// figures without its colours, its width or its control bytes.

#include <cstdio>
#include <string>
#include <string_view>

#include "report/output_target.hpp"

namespace trellmark {

// Zones advance to the next multiple of 14 characters as on the screen; each
// line ends in "\n" with its trailing blanks removed; blank lines are held
// back until a line with text follows, so the output never ends in blank
// lines. Control characters in the text (a file name may hold an escape)
// become "?", so nothing can drive the reader's terminal. A failed write is noted
// and the rest still attempted.
class PlainLineTarget : public LineTarget {
  public:
    // `file` stays the caller's; null writes nothing.
    explicit PlainLineTarget(std::FILE* file) : file_(file) {}
    void text(std::string_view text) override;
    void zone() override;
    void lineEnd() override;
    void style(TextStyle) override {}
    bool failed() const { return failed_; }
    // The errno of the first failed write; 0 when it left none.
    int failureError() const { return failureError_; }

  private:
    std::FILE* file_;
    std::string line_;            // the line so far
    std::size_t characters_ = 0;  // characters in line_, for the zones
    int heldBlankLines_ = 0;
    bool failed_ = false;
    int failureError_ = 0;
};

}  // namespace trellmark
