#include "compare/progress_bar.hpp"

#include <algorithm>

#include "text/utf8.hpp"

namespace trellmark {
namespace {

constexpr std::size_t barCells = 20;

}  // namespace

std::string progressText(std::size_t done, std::size_t total, std::string_view path,
                         std::size_t width) {
    const std::size_t filled = total == 0 ? barCells : std::min(barCells, done * barCells / total);
    std::string text = "[" + std::string(filled, '#') + std::string(barCells - filled, '.') + "] " +
                       std::to_string(std::min(done + 1, total)) + "/" + std::to_string(total) +
                       " ";
    const std::size_t room = std::max<std::size_t>(width, 20) - 1;
    const std::vector<std::string> characters = splitCharacters(printableText(path));
    const std::size_t left = room > text.size() ? room - text.size() : 0;
    if (characters.size() <= left) {
        for (const std::string& character : characters) text += character;
    } else if (left > 3) {
        text += "...";
        for (std::size_t i = characters.size() - (left - 3); i < characters.size(); ++i) {
            text += characters[i];
        }
    }
    return text;
}

void ProgressBar::show(std::size_t done, std::size_t total, std::string_view path) {
    if (terminal_ == nullptr) return;
    text_ = progressText(done, total, path, width_);
    draw();
}

void ProgressBar::draw() {
    std::fputs("\r\x1b[K", terminal_);
    if (colour_) {
        const std::size_t end = text_.find(']');
        std::fprintf(terminal_, "\x1b[32m%s\x1b[0m%s", text_.substr(0, end + 1).c_str(),
                     text_.substr(end + 1).c_str());
    } else {
        std::fputs(text_.c_str(), terminal_);
    }
    std::fflush(terminal_);
    showing_ = true;
}

void ProgressBar::hide() {
    if (terminal_ == nullptr || !showing_) return;
    std::fputs("\r\x1b[K", terminal_);
    std::fflush(terminal_);
    showing_ = false;
}

void ProgressBar::stop() {
    hide();
    text_.clear();
}

void ProgressBar::restore() {
    if (terminal_ != nullptr && !showing_ && !text_.empty()) draw();
}

}  // namespace trellmark
