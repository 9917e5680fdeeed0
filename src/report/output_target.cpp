#include "report/output_target.hpp"

#include <string>

#include "report/number_text.hpp"

namespace trellmark {

namespace {
constexpr long zoneColumns = 14;
}

void writeNumber(OutputTarget& target, long double x, int nd) {
    target.text(numberText(x, nd));
}

void writeUnitPair(OutputTarget& target, long double value, std::int16_t bitsPerSample) {
    writeNumber(target, value, digits32);
    target.text("LSB,");
    writeNumber(target, bitsPerSample, digits16);
    target.text("bit");
}

// A short write leaves the column where the bytes would have put it: the file
// holds whatever reached it, and later items are laid out as if all had.
void FileTarget::text(std::string_view text) {
    if (file_ != nullptr && !text.empty()) std::fwrite(text.data(), 1, text.size(), file_);
    column_ += static_cast<long>(text.size());
}

void FileTarget::zone() {
    text(std::string(zoneColumns - column_ % zoneColumns, ' '));
}

void FileTarget::lineEnd() {
    if (file_ != nullptr) std::fwrite("\r\n", 1, 2, file_);
    column_ = 0;
}

}  // namespace trellmark
