#pragma once
// Output lines on the console: items become printText, nextZone and newLine,
// styles the label and value colours.

#include "console/console.hpp"
#include "report/output_target.hpp"

namespace trellmark {

class ConsoleTarget : public LineTarget {
  public:
    // `console` must outlive this target.
    explicit ConsoleTarget(Console& console) : console_(console) {}
    void text(std::string_view text) override { printText(console_, text); }
    void lineEnd() override { newLine(console_); }
    void zone() override { nextZone(console_); }
    void style(TextStyle style) override {
        if (style == TextStyle::label) {
            useLabelColours(console_);
        } else {
            useValueColours(console_);
        }
    }

  private:
    Console& console_;  // the caller's
};

}  // namespace trellmark
