#include "plot/panel_traces.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace trellmark {
namespace {

// Below this many samples a column, a trace through the columns reads better than bars.
constexpr std::size_t sparseColumns = 4;

bool hasValue(const ColumnSpan& span) {
    return !std::isnan(span.low);
}

}  // namespace

namespace {

// Sample by sample: a polyline, broken where values are missing.
void strokeSamples(cairo_t* cr, const PlotFrame& frame, const std::vector<ColumnSpan>& trace) {
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);  // a lone point shows as a dot
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_new_path(cr);
    bool drawing = false;
    for (std::size_t k = 0; k < trace.size(); ++k) {
        if (!hasValue(trace[k])) {
            drawing = false;
            continue;
        }
        const double x = frame.entryX(k);
        const double y = frame.yAt(trace[k].low);
        if (!drawing) cairo_move_to(cr, x, y);
        cairo_line_to(cr, x, y);
        drawing = true;
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

// Pixel columns holding a few samples each: a polyline that runs through each column from its
// minimum to its maximum, entering it at the end nearer to where it left the last one.
void strokeColumns(cairo_t* cr, const PlotFrame& frame, const std::vector<ColumnSpan>& trace) {
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_new_path(cr);
    bool drawing = false;
    double lastY = 0;
    for (std::size_t k = 0; k < trace.size(); ++k) {
        if (!hasValue(trace[k])) {
            drawing = false;
            continue;
        }
        const double x = frame.entryX(k);
        double near = frame.yAt(trace[k].low);
        double far = frame.yAt(trace[k].high);
        if (drawing && std::fabs(far - lastY) < std::fabs(near - lastY)) std::swap(near, far);
        if (!drawing) cairo_move_to(cr, x, near);
        cairo_line_to(cr, x, near);
        cairo_line_to(cr, x, far);
        lastY = far;
        drawing = true;
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

// Pixel columns: one filled bar per column from its minimum to its maximum, stretched to meet
// its left neighbour's bar so that the trace stays connected. Bars fill far faster than a
// stroked polyline that folds over itself in every column.
void fillColumns(cairo_t* cr, const PlotFrame& frame, const std::vector<ColumnSpan>& trace) {
    const double lineWidth = cairo_get_line_width(cr);
    const double halfWidth = std::max(lineWidth, 1.0) / 2;
    cairo_new_path(cr);
    const ColumnSpan* previous = nullptr;
    for (std::size_t k = 0; k < trace.size(); ++k) {
        if (!hasValue(trace[k])) {
            previous = nullptr;
            continue;
        }
        double low = trace[k].low;
        double high = trace[k].high;
        if (previous != nullptr) {
            low = std::min(low, previous->high);
            high = std::max(high, previous->low);
        }
        previous = &trace[k];
        const double x = frame.entryX(k);
        const double top = frame.yAt(high) - lineWidth / 2;
        const double bottom = frame.yAt(low) + lineWidth / 2;
        cairo_rectangle(cr, x - halfWidth, top, 2 * halfWidth, bottom - top);
    }
    cairo_fill(cr);
}

}  // namespace

void strokeTrace(cairo_t* cr, const PlotFrame& frame, const std::vector<ColumnSpan>& trace) {
    if (frame.perSample()) {
        strokeSamples(cr, frame, trace);
    } else if (frame.sampleCount < sparseColumns * frame.columns()) {
        strokeColumns(cr, frame, trace);  // bars of one or two samples would look like steps
    } else {
        fillColumns(cr, frame, trace);
    }
}

void fillBand(cairo_t* cr, const PlotFrame& frame, const std::vector<ColumnSpan>& lower,
              const std::vector<ColumnSpan>& upper) {
    const std::size_t count = std::min(lower.size(), upper.size());
    const bool steps = !frame.perSample();
    const auto usable = [&](std::size_t k) {
        return !std::isnan(lower[k].low) && !std::isnan(upper[k].high);
    };
    cairo_new_path(cr);
    for (std::size_t begin = 0; begin < count;) {
        if (!usable(begin)) {
            ++begin;
            continue;
        }
        std::size_t end = begin;
        while (end < count && usable(end)) ++end;
        // A run of one sample has no width of its own between samples: give it its slot.
        const bool slots = steps || end - begin == 1;
        cairo_new_sub_path(cr);  // its first line_to only places the point
        for (std::size_t k = begin; k < end; ++k) {
            const double y = frame.yAt(upper[k].high);
            if (slots) {
                cairo_line_to(cr, frame.entryLeft(k), y);
                cairo_line_to(cr, frame.entryRight(k), y);
            } else {
                cairo_line_to(cr, frame.entryX(k), y);
            }
        }
        for (std::size_t k = end; k-- > begin;) {
            const double y = frame.yAt(lower[k].low);
            if (slots) {
                cairo_line_to(cr, frame.entryRight(k), y);
                cairo_line_to(cr, frame.entryLeft(k), y);
            } else {
                cairo_line_to(cr, frame.entryX(k), y);
            }
        }
        cairo_close_path(cr);
        begin = end;
    }
    cairo_fill(cr);
}

void shadeEntries(cairo_t* cr, const PlotFrame& frame, const std::vector<double>& shares,
                  Colour colour) {
    for (std::size_t begin = 0; begin < shares.size();) {
        std::size_t end = begin + 1;
        while (end < shares.size() && shares[end] == shares[begin]) ++end;
        if (shares[begin] > 0) {
            // Even a single index in a column of thousands stays visible.
            useColour(cr, colour, 0.1 + 0.4 * shares[begin]);
            const double left = frame.entryLeft(begin);
            cairo_rectangle(cr, left, frame.area.top, frame.entryRight(end - 1) - left,
                            frame.area.height);
            cairo_fill(cr);
        }
        begin = end;
    }
}

}  // namespace trellmark
