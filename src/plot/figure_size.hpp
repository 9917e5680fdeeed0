#pragma once
// The size of a figure in pixels (points for vector formats), and reading it from "WxH" text.

#include <optional>
#include <string_view>

namespace trellmark {

struct FigureSize {
    int width = 1600;
    int height = 1000;
};

// Bounds of each side: below 200 the panels have no room for their labels, above 20000 a PNG
// alone takes gigabytes.
constexpr int smallestFigureSide = 200;
constexpr int largestFigureSide = 20000;

// "1600x1000": two decimal numbers joined by a lower-case x, nothing else (no sign, blank or
// unit), each within the bounds above; nullopt for anything else.
std::optional<FigureSize> parseFigureSize(std::string_view text);

}  // namespace trellmark
