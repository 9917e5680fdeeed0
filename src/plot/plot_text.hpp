#pragma once
// Text on the figure: placing a line of text by its anchor, measuring it, shortening it to fit.

#include <cairo.h>

#include <string>

namespace trellmark {

enum class Align { start, centre, end };

// The font every label uses: cairo's toy sans-serif face.
void selectFigureFont(cairo_t* cr, double size, bool bold = false);

double textWidth(cairo_t* cr, const std::string& text);

// Draws text (made displayable first) in the current colour and font. x is the anchor for the
// horizontal alignment; y is the top of the line (start), its middle (centre) or its bottom (end),
// taken from the font's ascent and descent so that every line of a font sits alike.
void drawText(cairo_t* cr, const std::string& text, double x, double y, Align horizontal,
              Align vertical);

// Same, turned a quarter to the left (reading upwards), centred on (x, y).
void drawUpwardText(cairo_t* cr, const std::string& text, double x, double y);

// text with every byte that does not begin or continue a valid UTF-8 character, and every
// control character, replaced by U+FFFD: cairo refuses to draw anything after invalid UTF-8,
// and names of files may hold any bytes.
std::string displayableText(const std::string& text);

// text itself when it fits into width, else its end after a leading ellipsis (paths keep their
// file name), cut between UTF-8 characters; empty when not even the ellipsis fits.
std::string fitFromEnd(cairo_t* cr, const std::string& text, double width);

// text itself when it fits into width, else its start before a trailing ellipsis; empty when
// not even the ellipsis fits.
std::string fitFromStart(cairo_t* cr, const std::string& text, double width);

}  // namespace trellmark
