#pragma once
// The figure's colours: a palette that colour-blind readers can still tell apart.

#include <cairo.h>

namespace trellmark {

struct Colour {
    double red, green, blue;
};

constexpr Colour referenceColour{0x00 / 255.0, 0x72 / 255.0, 0xB2 / 255.0};    // blue
constexpr Colour comparisonColour{0xD5 / 255.0, 0x5E / 255.0, 0x00 / 255.0};   // vermillion
constexpr Colour criticalColour{0xCC / 255.0, 0x79 / 255.0, 0xA7 / 255.0};     // reddish purple
constexpr Colour significantColour{0xE6 / 255.0, 0x9F / 255.0, 0x00 / 255.0};  // orange
constexpr Colour clusterColour{0x00 / 255.0, 0x9E / 255.0, 0x73 / 255.0};      // bluish green
constexpr Colour inkColour{0.1, 0.1, 0.1};
constexpr Colour neutralBandColour{0.55, 0.55, 0.55};

inline void useColour(cairo_t* cr, Colour colour, double alpha = 1) {
    cairo_set_source_rgba(cr, colour.red, colour.green, colour.blue, alpha);
}

}  // namespace trellmark
