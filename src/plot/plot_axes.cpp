#include "plot/plot_axes.hpp"

#include <algorithm>
#include <cmath>

#include "plot/plot_text.hpp"

namespace trellmark {
namespace {

constexpr double gridGrey = 0.88;
constexpr double zeroGrey = 0.55;
constexpr double labelGrey = 0.2;

double lineHeight(cairo_t* cr) {
    cairo_font_extents_t font{};
    cairo_font_extents(cr, &font);
    return font.ascent + font.descent;
}

// Distance on the page between neighbouring ticks.
double tickSpacing(const AxisTicks& ticks, AxisRange range, double length) {
    return ticks.step / (range.high / 2 - range.low / 2) * length / 2;
}

bool inside(double v, double low, double high) {
    return v >= low - 0.01 && v <= high + 0.01;
}

}  // namespace

double sharp(double v) {
    return std::floor(v) + 0.5;
}

double widestLabel(cairo_t* cr, const AxisTicks& ticks) {
    double widest = 0;
    for (double v : ticks.values) widest = std::max(widest, textWidth(cr, tickLabel(v, ticks)));
    return widest;
}

AxisTicks fitHorizontalTicks(cairo_t* cr, AxisRange range, double length, double gap,
                             bool wholeSteps) {
    int most = std::max(2, static_cast<int>(length / gap));
    while (most > 2) {
        AxisTicks ticks = chooseTicks(range, most, wholeSteps);
        if (tickSpacing(ticks, range, length) >= widestLabel(cr, ticks) + gap) return ticks;
        // Only fewer ticks than these can bring a coarser step.
        most = std::min(most, static_cast<int>(ticks.values.size())) - 1;
    }
    return chooseTicks(range, 2, wholeSteps);
}

AxisTicks fitVerticalTicks(cairo_t* cr, AxisRange range, double length) {
    const int most = std::max(2, static_cast<int>(length / (1.8 * lineHeight(cr))));
    return chooseTicks(range, most);
}

void drawValueAxis(cairo_t* cr, const PlotFrame& frame, const AxisTicks& ticks, double gap) {
    const Rect& area = frame.area;
    cairo_save(cr);
    cairo_set_line_width(cr, 1);
    for (double v : ticks.values) {
        const double y = frame.yAt(v);
        if (!inside(y, area.top, area.bottom())) continue;
        const double grey = v == 0 ? zeroGrey : gridGrey;
        cairo_set_source_rgb(cr, grey, grey, grey);
        cairo_move_to(cr, area.left, sharp(y));
        cairo_line_to(cr, area.right(), sharp(y));
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, labelGrey, labelGrey, labelGrey);
        drawText(cr, tickLabel(v, ticks), area.left - gap, y, Align::end, Align::centre);
    }
    cairo_restore(cr);
}

void drawColumnGrid(cairo_t* cr, const PlotFrame& frame, const AxisTicks& ticks,
                    const std::function<double(double)>& offsetOf) {
    const Rect& area = frame.area;
    cairo_save(cr);
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgb(cr, gridGrey, gridGrey, gridGrey);
    for (double v : ticks.values) {
        const double x = frame.xAt(offsetOf(v));
        if (!inside(x, area.left, area.right())) continue;
        cairo_move_to(cr, sharp(x), area.top);
        cairo_line_to(cr, sharp(x), area.bottom());
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

void drawColumnLabels(cairo_t* cr, const PlotFrame& frame, const AxisTicks& ticks,
                      const std::function<double(double)>& offsetOf, double mark, bool below,
                      double labelsFrom, double labelsTo) {
    const Rect& area = frame.area;
    const double edge = below ? area.bottom() : area.top;
    const double direction = below ? 1 : -1;
    cairo_save(cr);
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgb(cr, labelGrey, labelGrey, labelGrey);
    for (double v : ticks.values) {
        const double x = frame.xAt(offsetOf(v));
        if (!inside(x, area.left, area.right())) continue;
        cairo_move_to(cr, sharp(x), edge);
        cairo_line_to(cr, sharp(x), edge + direction * mark);
        cairo_stroke(cr);
        const std::string label = tickLabel(v, ticks);
        const double half = textWidth(cr, label) / 2;
        if (x - half < labelsFrom || x + half > labelsTo) continue;
        drawText(cr, label, x, edge + direction * mark * 1.5, Align::centre,
                 below ? Align::start : Align::end);
    }
    cairo_restore(cr);
}

}  // namespace trellmark
