#include "terminal/palette_colours.hpp"

namespace trellmark {

short terminalColour(std::uint8_t palette) {
    const int blue = palette & 1;
    const int green = palette & 2;
    const int red = (palette >> 2) & 1;
    const int bright = palette & 8;
    return static_cast<short>(bright | (blue << 2) | green | red);
}

TerminalStyle terminalStyle(std::uint8_t foreground, std::uint8_t background, int colourCount) {
    TerminalStyle style;
    if (colourCount >= 16) {
        style.foreground = terminalColour(foreground);
        style.background = terminalColour(background);
    } else if (colourCount >= 8) {
        const short front = terminalColour(foreground);
        style.foreground = static_cast<short>(front & 7);
        style.background = static_cast<short>(terminalColour(background) & 7);
        style.bold = (front & 8) != 0;
    }
    return style;
}

}  // namespace trellmark
