#include "report/output_target.hpp"

#include "report/number_text.hpp"

namespace trellmark {

void writeNumber(OutputTarget& target, long double x, int nd) {
    target.text(numberText(x, nd));
}

void writeUnitPair(OutputTarget& target, long double value, std::int16_t bitsPerSample) {
    writeNumber(target, value, digits32);
    target.text("LSB,");
    writeNumber(target, bitsPerSample, digits16);
    target.text("bit");
}

void FileTarget::put(std::string_view bytes) {
    if (file_ == nullptr) {
        failed_ = true;
        return;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
}

void FileTarget::text(std::string_view text) {
    if (!text.empty()) put(text);
}

void FileTarget::lineEnd() {
    put("\r\n");
}

}  // namespace trellmark
