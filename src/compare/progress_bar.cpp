#include "compare/progress_bar.hpp"

#include <algorithm>
#include <cmath>

#include "text/utf8.hpp"

namespace trellmark {
namespace {

constexpr std::size_t barCells = 20;

std::string filledBar(std::int64_t done, std::int64_t total) {
    const auto filled = static_cast<std::size_t>(
        total <= 0 ? barCells
                   : std::min<std::int64_t>(barCells, done * std::int64_t{barCells} / total));
    return "[" + std::string(filled, '#') + std::string(barCells - filled, '.') + "] ";
}

// A time left as a person reads it: seconds below two minutes, minutes below
// two hours, then hours, then days.
std::string timeInWords(double seconds) {
    const auto whole = static_cast<std::int64_t>(std::ceil(seconds));
    if (whole < 120) return std::to_string(whole) + " s";
    if (whole < 2 * 3600) return std::to_string(whole / 60) + " min";
    if (whole < 2 * 86400) return std::to_string(whole / 3600) + " h";
    return std::to_string(whole / 86400) + " days";
}

}  // namespace

std::string testProgressText(std::int64_t done, std::int64_t total, double secondsSoFar) {
    std::string text = filledBar(done, total) + std::to_string(done) + "/" + std::to_string(total) +
                       " splits tested, ";
    if (done <= 0 || secondsSoFar <= 0) return text + "estimating the time left";
    const double left =
        secondsSoFar * static_cast<double>(total - done) / static_cast<double>(done);
    return text + "about " + timeInWords(left) + " left";
}

void ProgressBar::showTest(std::int64_t done, std::int64_t total, double secondsSoFar) {
    if (terminal_ == nullptr) return;
    text_ = testProgressText(done, total, secondsSoFar);
    draw();
}

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
