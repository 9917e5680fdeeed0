#pragma once
// How the console's palette numbers become terminal colours. The console
// palette counts blue as its lowest colour bit, terminals count red, so the
// two disagree on every colour but black, grey and white.

#include <cstdint>

namespace trellmark {

struct TerminalStyle {
    short foreground = -1;  // terminal colour number; -1 when the terminal has no colours
    short background = -1;
    bool bold = false;
};

// The terminal's number of a console palette colour (0 to 15); only the low
// four bits of `palette` count.
short terminalColour(std::uint8_t palette);

// How a cell in the given palette colours is drawn on a terminal with
// `colourCount` colours. With 16 or more every palette colour has its own
// terminal colour. With 8 the bright half is lost: a bright foreground becomes
// the dark one in bold (most such terminals draw bold as the bright colour), a
// bright background the dark one. With fewer the terminal's own colours stay.
TerminalStyle terminalStyle(std::uint8_t foreground, std::uint8_t background, int colourCount);

}  // namespace trellmark
