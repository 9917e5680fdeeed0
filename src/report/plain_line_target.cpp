#include "report/plain_line_target.hpp"

#include <cerrno>

#include "text/utf8.hpp"

namespace trellmark {
namespace {

constexpr std::size_t zoneColumns = 14;

}  // namespace

void PlainLineTarget::text(std::string_view text) {
    const std::string shown = printableText(text);
    line_ += shown;
    characters_ += splitCharacters(shown).size();
}

void PlainLineTarget::zone() {
    const std::size_t blanks = zoneColumns - characters_ % zoneColumns;
    line_.append(blanks, ' ');
    characters_ += blanks;
}

void PlainLineTarget::lineEnd() {
    line_.erase(line_.find_last_not_of(' ') + 1);
    if (line_.empty()) {
        ++heldBlankLines_;
    } else if (file_ != nullptr) {
        const std::string blanks(heldBlankLines_, '\n');
        line_ += '\n';
        errno = 0;
        if (std::fputs(blanks.c_str(), file_) < 0 || std::fputs(line_.c_str(), file_) < 0 ||
            std::fflush(file_) != 0) {
            if (!failed_) failureError_ = errno;
            failed_ = true;
        }
        heldBlankLines_ = 0;
    }
    line_.clear();
    characters_ = 0;
}

}  // namespace trellmark
