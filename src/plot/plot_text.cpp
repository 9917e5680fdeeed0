#include "plot/plot_text.hpp"

#include <vector>

namespace trellmark {
namespace {

const std::string ellipsis = "\u2026";

const std::string replacement = "\uFFFD";

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Length of the valid UTF-8 character that begins at text[i] (1 to 4), or 0 when none does:
// overlong forms, surrogates and values above U+10FFFF are not characters.
std::size_t validCharacterLength(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned lead = byte(i);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, lowest = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    unsigned code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if (!isContinuationByte(text[i + k])) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

bool isControlCharacter(const std::string& text, std::size_t i, std::size_t length) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (length == 1) return lead < 0x20 || lead == 0x7F;
    // U+0080 .. U+009F, written C2 80 .. C2 9F
    return length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
}

// Byte offsets at which the characters of valid UTF-8 text begin, and its size at the end.
std::vector<std::size_t> characterBounds(const std::string& text) {
    std::vector<std::size_t> bounds;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isContinuationByte(text[i])) bounds.push_back(i);
    }
    bounds.push_back(text.size());
    return bounds;
}

// The smallest k in 1..most for which fits(k) holds, where fits holds for every k above one it
// holds for; most + 1 when it holds for none. fits(0) is taken to fail.
template <class Fits>
std::size_t smallestFitting(std::size_t most, Fits fits) {
    if (!fits(most)) return most + 1;
    std::size_t failing = 0;
    std::size_t fitting = most;
    while (fitting - failing > 1) {
        const std::size_t middle = failing + (fitting - failing) / 2;
        (fits(middle) ? fitting : failing) = middle;
    }
    return fitting;
}

}  // namespace

std::string displayableText(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = validCharacterLength(text, i);
        if (length == 0 || isControlCharacter(text, i, length)) {
            shown += replacement;
            i += length == 0 ? 1 : length;
        } else {
            shown.append(text, i, length);
            i += length;
        }
    }
    return shown;
}

void selectFigureFont(cairo_t* cr, double size, bool bold) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

double textWidth(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t extents{};
    cairo_text_extents(cr, displayableText(text).c_str(), &extents);
    return extents.x_advance;
}

void drawText(cairo_t* cr, const std::string& text, double x, double y, Align horizontal,
              Align vertical) {
    cairo_font_extents_t font{};
    cairo_font_extents(cr, &font);
    const double width = textWidth(cr, text);
    if (horizontal == Align::centre) x -= width / 2;
    if (horizontal == Align::end) x -= width;
    const double lineHeight = font.ascent + font.descent;
    if (vertical == Align::start) y += font.ascent;
    if (vertical == Align::centre) y += font.ascent - lineHeight / 2;
    if (vertical == Align::end) y -= font.descent;
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, displayableText(text).c_str());
    cairo_new_path(cr);
}

void drawUpwardText(cairo_t* cr, const std::string& text, double x, double y) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, -1.5707963267948966);
    drawText(cr, text, 0, 0, Align::centre, Align::centre);
    cairo_restore(cr);
}

std::string fitFromEnd(cairo_t* cr, const std::string& text, double width) {
    const std::string shown = displayableText(text);
    if (textWidth(cr, shown) <= width) return shown;
    // Drop k characters from the front; the rest only narrows as k grows.
    const auto bounds = characterBounds(shown);
    const std::size_t characters = bounds.size() - 1;
    const auto rest = [&](std::size_t k) { return ellipsis + shown.substr(bounds[k]); };
    const std::size_t k =
        smallestFitting(characters, [&](std::size_t k) { return textWidth(cr, rest(k)) <= width; });
    return k > characters ? std::string() : rest(k);
}

std::string fitFromStart(cairo_t* cr, const std::string& text, double width) {
    const std::string shown = displayableText(text);
    if (textWidth(cr, shown) <= width) return shown;
    const auto bounds = characterBounds(shown);
    const std::size_t characters = bounds.size() - 1;
    const auto rest = [&](std::size_t k) {
        return shown.substr(0, bounds[characters - k]) + ellipsis;
    };
    const std::size_t k =
        smallestFitting(characters, [&](std::size_t k) { return textWidth(cr, rest(k)) <= width; });
    return k > characters ? std::string() : rest(k);
}

}  // namespace trellmark
