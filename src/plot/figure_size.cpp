#include "plot/figure_size.hpp"

namespace trellmark {
namespace {

// A side of the size: digits only, within the bounds. The digit count is capped before the
// value is formed, so no text can overflow it.
std::optional<int> parseSide(std::string_view digits) {
    if (digits.empty() || digits.size() > 6) return std::nullopt;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < smallestFigureSide || value > largestFigureSide) return std::nullopt;
    return value;
}

}  // namespace

std::optional<FigureSize> parseFigureSize(std::string_view text) {
    const auto cross = text.find('x');
    if (cross == std::string_view::npos) return std::nullopt;
    const auto width = parseSide(text.substr(0, cross));
    const auto height = parseSide(text.substr(cross + 1));
    if (!width || !height) return std::nullopt;
    return FigureSize{*width, *height};
}

}  // namespace trellmark
