#include "plot/figure_file.hpp"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <string_view>

#include "plot/figure_drawing.hpp"
#include "plot/figure_size.hpp"
#include "plot/svg_ids.hpp"

namespace trellmark {
namespace {

// An image surface holds 4 bytes a pixel: 400 MB at most.

// A fixed date for the PDF's creation and modification entries, which cairo would otherwise
// fill with the time of writing.
constexpr const char* fixedPdfDate = "1970-01-01T00:00:00Z";

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using SurfaceHandle = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

struct ContextDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using ContextHandle = std::unique_ptr<cairo_t, ContextDeleter>;

// The figures one below another, each width x bandHeight.
struct Bands {
    std::span<const FigureData> figures;
    int width = 0;
    int bandHeight = 0;

    int height() const { return bandHeight * static_cast<int>(figures.size()); }
};

// Draws the figures and says how cairo fared; the context goes before the surface is used on.
// A lone figure is drawn as it always was: a clip would add a clip path to its SVG.
cairo_status_t drawOnto(cairo_surface_t* surface, const Bands& bands) {
    const ContextHandle cr(cairo_create(surface));
    if (bands.figures.size() == 1) {
        drawFigure(cr.get(), bands.figures[0], bands.width, bands.bandHeight);
        return cairo_status(cr.get());
    }
    for (std::size_t k = 0; k < bands.figures.size(); ++k) {
        cairo_save(cr.get());
        cairo_translate(cr.get(), 0, static_cast<double>(k) * bands.bandHeight);
        cairo_rectangle(cr.get(), 0, 0, bands.width, bands.bandHeight);
        cairo_clip(cr.get());
        drawFigure(cr.get(), bands.figures[k], bands.width, bands.bandHeight);
        cairo_restore(cr.get());
    }
    return cairo_status(cr.get());
}

bool endsWithIgnoringCase(const std::string& text, std::string_view ending) {
    if (text.size() < ending.size()) return false;
    return std::equal(ending.begin(), ending.end(), text.end() - ending.size(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// The sink and whether it refused bytes, for cairo's stream callbacks.
struct SinkState {
    const FigureSink& sink;
    bool refused = false;
};

cairo_status_t appendToSink(void* closure, const unsigned char* data, unsigned int length) {
    auto* state = static_cast<SinkState*>(closure);
    if (!state->refused) {
        state->refused = !state->sink({reinterpret_cast<const char*>(data), length});
    }
    return state->refused ? CAIRO_STATUS_WRITE_ERROR : CAIRO_STATUS_SUCCESS;
}

// Draws onto the surface and finishes it; the failure text when cairo reports one.
std::string drawAndFinish(cairo_surface_t* surface, const Bands& bands) {
    cairo_status_t status = drawOnto(surface, bands);
    cairo_surface_finish(surface);
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
    if (status == CAIRO_STATUS_SUCCESS) return {};
    return std::string("cannot draw the figure: ") + cairo_status_to_string(status);
}

std::string writePng(const Bands& bands, SinkState& out) {
    SurfaceHandle surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, bands.width, bands.height()));
    cairo_status_t status = drawOnto(surface.get(), bands);
    if (status == CAIRO_STATUS_SUCCESS) {
        status = cairo_surface_write_to_png_stream(surface.get(), appendToSink, &out);
    }
    if (status == CAIRO_STATUS_SUCCESS) return {};
    return std::string("cannot draw the figure: ") + cairo_status_to_string(status);
}

std::string writeSvg(const Bands& bands, SinkState& out) {
    std::string svg;
    SurfaceHandle surface(
        cairo_svg_surface_create_for_stream(appendToString, &svg, bands.width, bands.height()));
    cairo_svg_surface_set_document_unit(surface.get(), CAIRO_SVG_UNIT_PX);
    std::string failure = drawAndFinish(surface.get(), bands);
    if (failure.empty()) out.refused = !out.sink(renumberSurfaceIds(svg));
    return failure;
}

std::string writePdf(const Bands& bands, SinkState& out) {
    SurfaceHandle surface(
        cairo_pdf_surface_create_for_stream(appendToSink, &out, bands.width, bands.height()));
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATE_DATE, fixedPdfDate);
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_MOD_DATE, fixedPdfDate);
    return drawAndFinish(surface.get(), bands);
}

}  // namespace

std::optional<FigureFormat> figureFormatFor(const std::string& path) {
    if (endsWithIgnoringCase(path, ".png")) return FigureFormat::png;
    if (endsWithIgnoringCase(path, ".svg")) return FigureFormat::svg;
    if (endsWithIgnoringCase(path, ".pdf")) return FigureFormat::pdf;
    return std::nullopt;
}

void prepareFigureFonts() {
    SurfaceHandle surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1));
    cairo_t* cr = cairo_create(surface.get());
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_font_extents_t extents{};
    cairo_font_extents(cr, &extents);
    cairo_destroy(cr);
}

std::string figureBandsProblem(std::span<const FigureData> figures, FigureFormat format, int width,
                               int bandHeight) {
    if (figures.empty()) return "the figure has nothing to draw";
    const auto withinBounds = [](long long side) {
        return side >= smallestFigureSide && side <= largestFigureSide;
    };
    const auto height = static_cast<long long>(bandHeight) * static_cast<long long>(figures.size());
    if (!withinBounds(width) || !withinBounds(bandHeight) || !withinBounds(height)) {
        std::string problem = "the figure's sides must be " + std::to_string(smallestFigureSide) +
                              " to " + std::to_string(largestFigureSide) + " pixels";
        if (figures.size() > 1 && withinBounds(bandHeight)) {
            problem += "; " + std::to_string(figures.size()) + " bands of " +
                       std::to_string(bandHeight) + " make it " + std::to_string(height) + " tall";
        }
        return problem;
    }
    if (format == FigureFormat::png && static_cast<long long>(width) * height > largestPngPixels) {
        return "a PNG figure may have at most 100 million pixels";
    }
    for (const FigureData& data : figures) {
        const std::size_t count = data.referenceMean.size();
        for (std::size_t size :
             {data.referenceStdDev.size(), data.comparisonMean.size(), data.comparisonStdDev.size(),
              data.difference.size(), data.tValue.size(), data.criticalT.size(),
              data.standardError.size(), data.significant.size()}) {
            if (size != 0 && size != count) {
                return "the figure's per-sample arrays differ in length";
            }
        }
    }
    return {};
}

std::string figureProblem(const FigureData& data, FigureFormat format, int width, int height) {
    return figureBandsProblem({&data, 1}, format, width, height);
}

WriteResult renderFigureBands(std::span<const FigureData> figures, FigureFormat format, int width,
                              int bandHeight, const FigureSink& sink) {
    if (std::string problem = figureBandsProblem(figures, format, width, bandHeight);
        !problem.empty()) {
        return {false, problem};
    }
    const Bands bands{figures, width, bandHeight};
    SinkState out{sink};
    std::string failure;
    switch (format) {
        case FigureFormat::png:
            failure = writePng(bands, out);
            break;
        case FigureFormat::svg:
            failure = writeSvg(bands, out);
            break;
        case FigureFormat::pdf:
            failure = writePdf(bands, out);
            break;
    }
    if (out.refused) return {false, "the figure's bytes could not be written"};
    if (!failure.empty()) return {false, failure};
    return {true, {}};
}

WriteResult renderFigure(const FigureData& data, FigureFormat format, int width, int height,
                         const FigureSink& sink) {
    return renderFigureBands({&data, 1}, format, width, height, sink);
}

WriteResult writeFigureBands(std::span<const FigureData> figures, const std::string& path,
                             int width, int bandHeight, std::span<const FileIdentity> inputs) {
    const auto format = figureFormatFor(path);
    if (!format) return {false, "the figure's name must end in .png, .svg or .pdf"};
    if (std::string problem = figureBandsProblem(figures, *format, width, bandHeight);
        !problem.empty()) {
        return {false, problem};
    }
    std::string failure;
    OutputFile file = openOutputFile(path, inputs, failure);
    if (file.fd < 0) return {false, failure};
    bool bytesWritten = true;
    const WriteResult drawn =
        renderFigureBands(figures, *format, width, bandHeight, [&](std::string_view bytes) {
            bytesWritten = writeOutputBytes(file, bytes, failure);
            return bytesWritten;
        });
    if (!drawn.written && bytesWritten) failure = drawn.failure;
    if (!finishOutputFile(file, drawn.written && bytesWritten, false, failure)) {
        return {false, failure};
    }
    return {true, {}};
}

WriteResult writeFigure(const FigureData& data, const std::string& path, int width, int height,
                        std::span<const FileIdentity> inputs) {
    return writeFigureBands({&data, 1}, path, width, height, inputs);
}

}  // namespace trellmark
