#pragma once
// Output lines are sequences of items written to a target: the console or the
// analysis report file. Both go through the same items, so a figure is
// formatted by one piece of code wherever it appears.

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace trellmark {

struct Console;

class OutputTarget {
  public:
    virtual ~OutputTarget() = default;
    virtual void text(std::string_view text) = 0;
    // Blanks up to the next multiple of 14 columns (1 to 14 of them).
    virtual void zone() = 0;
    virtual void lineEnd() = 0;
};

// numberText(x, nd) as a text item.
void writeNumber(OutputTarget& target, long double x, int nd);
// The unit pair: value with 15 digits, "LSB,", bits with 7 digits, "bit".
void writeUnitPair(OutputTarget& target, long double value, std::int16_t bitsPerSample);

// Items on the console: printText, nextZone, newLine.
class ConsoleTarget : public OutputTarget {
  public:
    explicit ConsoleTarget(Console& console) : console_(console) {}
    void text(std::string_view text) override;
    void zone() override;
    void lineEnd() override;

  private:
    Console& console_;
};

// Items in an open file: bytes as they are, CR LF for a line end. Write
// failures are not reported; every later item is still attempted.
class FileTarget : public OutputTarget {
  public:
    explicit FileTarget(std::FILE* file) : file_(file) {}
    void text(std::string_view text) override;
    void zone() override;
    void lineEnd() override;

  private:
    std::FILE* file_;
    long column_ = 0;  // characters since the last line end
};

}  // namespace trellmark
