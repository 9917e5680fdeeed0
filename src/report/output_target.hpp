#pragma once
// Output lines as sequences of items written to a target: the screen, standard
// output or the analysis report file. All of them go through the same items,
// so a figure is formatted by one piece of code wherever it appears.

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace trellmark {

// Text and line ends: all a file of lines needs.
class OutputTarget {
  public:
    virtual ~OutputTarget() = default;
    virtual void text(std::string_view text) = 0;
    virtual void lineEnd() = 0;
};

// The look of what follows on a target that shows one: labels and prompts
// apart from typed answers and figures.
enum class TextStyle { label, value };

// Lines laid out for a reader: figures stand in 14-column zones after their
// labels, and labels look different from figures where the target can show it.
class LineTarget : public OutputTarget {
  public:
    // Blanks up to the next multiple of 14 columns (1 to 14 of them).
    virtual void zone() = 0;
    virtual void style(TextStyle style) = 0;
};

// numberText(x, nd) as a text item.
void writeNumber(OutputTarget& target, long double x, int nd);
// The unit pair: value with 15 digits, "LSB,", bits with 7 digits, "bit".
void writeUnitPair(OutputTarget& target, long double value, std::int16_t bitsPerSample);

// Items in an open file: bytes as they are, CR LF for a line end. After a
// failed write every later item is still attempted, so the file holds as much
// as fits; failed() tells afterwards.
class FileTarget : public OutputTarget {
  public:
    // `file` stays the caller's and must stay open while this target is used.
    explicit FileTarget(std::FILE* file) : file_(file) {}
    void text(std::string_view text) override;
    void lineEnd() override;
    bool failed() const { return failed_; }

  private:
    void put(std::string_view bytes);

    std::FILE* file_;  // the caller's
    bool failed_ = false;
};

}  // namespace trellmark
