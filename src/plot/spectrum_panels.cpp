#include "plot/spectrum_panels.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "plot/axis_ticks.hpp"
#include "plot/figure_colours.hpp"
#include "plot/plot_text.hpp"

namespace trellmark {
namespace {

// A panel's place and scales: frequency logarithmic across, a value upwards.
struct LogPanel {
    Rect area;
    double lowHz = 1;
    double highHz = 2;
    AxisRange values;

    double x(double hz) const {
        return area.left + area.width * std::log(hz / lowHz) / std::log(highHz / lowHz);
    }
    double y(double value) const {
        return area.bottom() - area.height * (value - values.low) / (values.high - values.low);
    }
};

std::string hzLabel(double hz) {
    char text[32];
    if (hz >= 1000) {
        std::snprintf(text, sizeof text, "%gk", hz / 1000);
    } else {
        std::snprintf(text, sizeof text, "%g", hz);
    }
    return text;
}

// 1, 2, 5 times the powers of ten within the panel, with grid lines and labels below.
void drawFrequencyAxis(cairo_t* cr, const LogPanel& panel, double font, bool labels) {
    for (double decade = 1; decade <= panel.highHz; decade *= 10) {
        for (const double step : {1.0, 2.0, 5.0}) {
            const double hz = decade * step;
            if (hz < panel.lowHz || hz > panel.highHz) continue;
            const double x = std::round(panel.x(hz)) + 0.5;
            cairo_set_source_rgb(cr, 0.88, 0.88, 0.88);
            cairo_set_line_width(cr, 1);
            cairo_move_to(cr, x, panel.area.top);
            cairo_line_to(cr, x, panel.area.bottom());
            cairo_stroke(cr);
            if (!labels) continue;
            useColour(cr, inkColour);
            drawText(cr, hzLabel(hz), x, panel.area.bottom() + 0.3 * font, Align::centre,
                     Align::start);
        }
    }
}

void drawValueLabels(cairo_t* cr, const LogPanel& panel, double font) {
    const AxisTicks ticks = chooseTicks(panel.values, 4);
    for (const double value : ticks.values) {
        const double y = std::round(panel.y(value)) + 0.5;
        cairo_set_source_rgb(cr, 0.88, 0.88, 0.88);
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, panel.area.left, y);
        cairo_line_to(cr, panel.area.right(), y);
        cairo_stroke(cr);
        useColour(cr, inkColour);
        drawText(cr, tickLabel(value, ticks), panel.area.left - 0.5 * font, y, Align::end,
                 Align::centre);
    }
}

void drawBox(cairo_t* cr, const Rect& area) {
    cairo_set_source_rgb(cr, 0.35, 0.35, 0.35);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, std::round(area.left) - 0.5, std::round(area.top) - 0.5,
                    std::round(area.width) + 1, std::round(area.height) + 1);
    cairo_stroke(cr);
}

// Shades the significant bins' width, each bin from half a bin below to half above.
void shadeSignificant(cairo_t* cr, const LogPanel& panel, const FigureSpectrum& spectrum) {
    useColour(cr, significantColour, 0.25);
    for (std::size_t i = 0; i < spectrum.significant.size(); ++i) {
        if (spectrum.significant[i] == 0) continue;
        const double from = panel.x(std::max((i + 0.5) * spectrum.binHz, panel.lowHz));
        const double to = panel.x(std::min((i + 1.5) * spectrum.binHz, panel.highHz));
        cairo_rectangle(cr, from, panel.area.top, std::max(to - from, 1.0), panel.area.height);
    }
    cairo_fill(cr);
}

void drawLevels(cairo_t* cr, const LogPanel& panel, const FigureSpectrum& spectrum,
                std::span<const double> mean, std::span<const double> sd, Colour colour,
                double lineWidth) {
    const std::size_t bins = mean.size();
    if (bins == 0) return;
    auto at = [&](std::size_t i, double value) {
        return std::pair{panel.x((i + 1) * spectrum.binHz),
                         std::clamp(panel.y(value), panel.area.top, panel.area.bottom())};
    };
    for (std::size_t i = 0; i < bins; ++i) {
        const auto [x, y] = at(i, mean[i] + sd[i]);
        i == 0 ? cairo_move_to(cr, x, y) : cairo_line_to(cr, x, y);
    }
    for (std::size_t i = bins; i-- > 0;) {
        const auto [x, y] = at(i, mean[i] - sd[i]);
        cairo_line_to(cr, x, y);
    }
    cairo_close_path(cr);
    useColour(cr, colour, 0.2);
    cairo_fill(cr);
    for (std::size_t i = 0; i < bins; ++i) {
        const auto [x, y] = at(i, mean[i]);
        i == 0 ? cairo_move_to(cr, x, y) : cairo_line_to(cr, x, y);
    }
    useColour(cr, colour);
    cairo_set_line_width(cr, lineWidth);
    cairo_stroke(cr);
}

AxisRange rangeOf(std::span<const double> a, std::span<const double> b, double pad) {
    double low = INFINITY;
    double high = -INFINITY;
    for (const auto values : {a, b}) {
        for (const double v : values) {
            if (!std::isfinite(v)) continue;
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    if (!(low <= high)) return {0, 1};
    return axisRange(low - pad, high + pad);
}

}  // namespace

void drawSpectrumPanels(cairo_t* cr, const FigureSpectrum& spectrum, const Rect& area, double left,
                        double font) {
    const std::size_t bins = spectrum.referenceMeanDb.size();
    if (bins < 2 || !(spectrum.binHz > 0)) return;
    selectFigureFont(cr, font);
    const double lineWidth = std::max(1.0, std::round(font / 14));
    const double headingHeight = 1.6 * font;
    const double labelsHeight = 1.6 * font;
    const double panelHeight = (area.height - 2 * headingHeight - 2 * labelsHeight) / 2;
    if (panelHeight < 2 * font) return;
    const double width = area.right() - left - 3 * font;

    LogPanel levels;
    levels.area = {left, area.top + headingHeight, width, panelHeight};
    levels.lowHz = 0.5 * spectrum.binHz;
    levels.highHz = (bins + 0.5) * spectrum.binHz;
    std::vector<double> lower(bins);
    std::vector<double> upper(bins);
    for (std::size_t i = 0; i < bins; ++i) {
        lower[i] = std::min(spectrum.referenceMeanDb[i] - spectrum.referenceSdDb[i],
                            spectrum.comparisonMeanDb[i] - spectrum.comparisonSdDb[i]);
        upper[i] = std::max(spectrum.referenceMeanDb[i] + spectrum.referenceSdDb[i],
                            spectrum.comparisonMeanDb[i] + spectrum.comparisonSdDb[i]);
    }
    levels.values = rangeOf(lower, upper, 1);

    LogPanel tPanel = levels;
    tPanel.area.top = levels.area.bottom() + labelsHeight + headingHeight;
    tPanel.values = rangeOf(spectrum.t, {}, 0.5);

    useColour(cr, inkColour);
    drawText(cr,
             "Spectrum: mean level ± 1 SD (dB re 1 LSB²/Hz) of the reference (blue) and "
             "comparison (vermillion) sets; significant bins shaded",
             left, levels.area.top - 0.4 * font, Align::start, Align::end);
    std::string tHeading = "t per frequency bin; clusters marked above";
    if (!spectrum.verdict.empty()) tHeading += ". Spectrum verdict: " + spectrum.verdict;
    useColour(cr, inkColour);
    drawText(cr, fitFromStart(cr, tHeading, width), left, tPanel.area.top - 0.4 * font,
             Align::start, Align::end);

    for (const LogPanel* panel : {&levels, &tPanel}) {
        cairo_save(cr);
        drawFrequencyAxis(cr, *panel, font, true);
        drawValueLabels(cr, *panel, font);
        cairo_rectangle(cr, panel->area.left, panel->area.top, panel->area.width,
                        panel->area.height);
        cairo_clip(cr);
        shadeSignificant(cr, *panel, spectrum);
        cairo_restore(cr);
    }
    cairo_save(cr);
    cairo_rectangle(cr, levels.area.left, levels.area.top, levels.area.width, levels.area.height);
    cairo_clip(cr);
    drawLevels(cr, levels, spectrum, spectrum.referenceMeanDb, spectrum.referenceSdDb,
               referenceColour, lineWidth);
    drawLevels(cr, levels, spectrum, spectrum.comparisonMeanDb, spectrum.comparisonSdDb,
               comparisonColour, lineWidth);
    cairo_restore(cr);

    cairo_save(cr);
    cairo_rectangle(cr, tPanel.area.left, tPanel.area.top, tPanel.area.width, tPanel.area.height);
    cairo_clip(cr);
    bool open = false;
    for (std::size_t i = 0; i < spectrum.t.size(); ++i) {
        if (!std::isfinite(spectrum.t[i])) {
            open = false;
            continue;
        }
        const double x = tPanel.x((i + 1) * spectrum.binHz);
        const double y = tPanel.y(spectrum.t[i]);
        open ? cairo_line_to(cr, x, y) : cairo_move_to(cr, x, y);
        open = true;
    }
    useColour(cr, inkColour);
    cairo_set_line_width(cr, lineWidth);
    cairo_stroke(cr);
    // Each cluster as a bar along the panel's top, strong where its p is below 0.05.
    for (const FigureCluster& cluster : spectrum.clusters) {
        const double from = tPanel.x((cluster.first - 0.5) * spectrum.binHz);
        const double to = tPanel.x((cluster.last + 0.5) * spectrum.binHz);
        useColour(cr, clusterColour, cluster.p < 0.05 ? 1 : 0.35);
        cairo_rectangle(cr, from, tPanel.area.top + 1, std::max(to - from, 2.0), 0.4 * font);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    drawBox(cr, levels.area);
    drawBox(cr, tPanel.area);
    useColour(cr, inkColour);
    drawText(cr, "Hz", left - 0.5 * font, tPanel.area.bottom() + 0.3 * font, Align::end,
             Align::start);
}

}  // namespace trellmark
