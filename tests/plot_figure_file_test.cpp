#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "plot/figure_file.hpp"
#include "support/scratch_directory.hpp"
#include "support/xml_well_formed.hpp"

namespace trellmark {
namespace {

using testing::ScratchDirectory;
using testing::xmlProblem;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// Five plus five takes of a noisy sine, the comparison with a tone over the window's second
// quarter; the record views the arrays held here.
struct SyntheticRun {
    std::vector<double> referenceMean, referenceStdDev, comparisonMean, comparisonStdDev;
    std::vector<double> difference, tValue, criticalT, standardError;
    std::vector<std::uint8_t> significant;
    FigureData data;

    explicit SyntheticRun(std::size_t count) {
        for (auto* v : {&referenceMean, &referenceStdDev, &comparisonMean, &comparisonStdDev,
                        &difference, &tValue, &criticalT, &standardError}) {
            v->resize(count);
        }
        significant.resize(count);
        std::int64_t flagged = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const double x = static_cast<double>(i);
            const double wobble = std::sin(x * 0.7) * std::cos(x * 0.013);  // stands for noise
            const double tone = (i >= count / 4 && i < count / 2) ? 60 * std::sin(x * 0.14) : 0;
            referenceMean[i] = 8000 * std::sin(x * 0.0043) + 10 * wobble;
            comparisonMean[i] = referenceMean[i] + tone - 8 * wobble;
            referenceStdDev[i] = 30 + 3 * wobble;
            comparisonStdDev[i] = 30 - 3 * wobble;
            standardError[i] = std::sqrt((referenceStdDev[i] * referenceStdDev[i] +
                                          comparisonStdDev[i] * comparisonStdDev[i]) /
                                         5);
            difference[i] = referenceMean[i] - comparisonMean[i];
            tValue[i] = difference[i] / standardError[i];
            criticalT[i] = 2.306;
            significant[i] = std::fabs(tValue[i]) > criticalT[i];
            flagged += significant[i];
        }
        data.title = "Amplifier A against amplifier B";
        data.reference = {"/recordings/ampA", "take"};
        data.comparison = {"/recordings/ampB", "take"};
        data.sampleRate = 44100;
        data.bitsPerSample = 16;
        data.confidencePercent = 95;
        data.referenceMean = referenceMean;
        data.referenceStdDev = referenceStdDev;
        data.comparisonMean = comparisonMean;
        data.comparisonStdDev = comparisonStdDev;
        data.difference = difference;
        data.tValue = tValue;
        data.criticalT = criticalT;
        data.standardError = standardError;
        data.significant = significant;
        data.significantCount = flagged;
        data.expectedByChance = 0.05 * static_cast<double>(count);
        data.clusters = {{static_cast<std::int64_t>(count / 4),
                          static_cast<std::int64_t>(count / 2), 812.5, 0.0004},
                         {10, 12, 7.5, 0.61}};
        data.verdict = "differ";
    }
};

std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::string> namesIn(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(PlotFigureFile, APngReadsBackAtTheAskedSize) {
    ScratchDirectory dir;
    const SyntheticRun run(44100);
    for (const auto& [width, height] : {std::pair{1600, 1000}, std::pair{640, 400}}) {
        const WriteResult outcome = writeFigure(run.data, dir / "run.png", width, height);
        ASSERT_TRUE(outcome.written) << outcome.failure;
        cairo_surface_t* image = cairo_image_surface_create_from_png((dir / "run.png").c_str());
        EXPECT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
        EXPECT_EQ(cairo_image_surface_get_width(image), width);
        EXPECT_EQ(cairo_image_surface_get_height(image), height);
        cairo_surface_destroy(image);
    }
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"run.png"});  // no temporary left
}

// The pixels of a PNG written to the sink, as cairo reads them back.
struct PngPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rows;  // row by row, alpha ignored
};

cairo_status_t readFromString(void* closure, unsigned char* data, unsigned int length) {
    auto* rest = static_cast<std::string_view*>(closure);
    if (rest->size() < length) return CAIRO_STATUS_READ_ERROR;
    std::copy_n(rest->data(), length, data);
    rest->remove_prefix(length);
    return CAIRO_STATUS_SUCCESS;
}

PngPixels renderedPng(std::span<const FigureData> figures, int width, int bandHeight) {
    std::string png;
    const WriteResult drawn = renderFigureBands(figures, FigureFormat::png, width, bandHeight,
                                                [&](std::string_view bytes) {
                                                    png.append(bytes);
                                                    return true;
                                                });
    EXPECT_TRUE(drawn.written) << drawn.failure;
    std::string_view rest = png;
    cairo_surface_t* image = cairo_image_surface_create_from_png_stream(readFromString, &rest);
    PngPixels pixels;
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_flush(image);
        pixels.width = cairo_image_surface_get_width(image);
        pixels.height = cairo_image_surface_get_height(image);
        const int stride = cairo_image_surface_get_stride(image);
        const unsigned char* bytes = cairo_image_surface_get_data(image);
        for (int y = 0; y < pixels.height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(bytes + y * stride);
            for (int x = 0; x < pixels.width; ++x) pixels.rows.push_back(row[x] & 0xFFFFFF);
        }
    }
    cairo_surface_destroy(image);
    return pixels;
}

// Figures in bands: each band holds exactly the pixels of its figure drawn
// alone, nothing of its neighbours, and the whole is as many bands tall.
TEST(PlotFigureFile, EachBandHoldsExactlyItsOwnFigure) {
    SyntheticRun first(3000);
    SyntheticRun second(3000);
    second.data.title = "Channel two";
    second.data.clusters.clear();
    second.data.verdict.clear();
    for (double& v : second.comparisonMean) v = -v;
    second.data.comparisonMean = second.comparisonMean;
    const std::vector<FigureData> figures = {first.data, second.data};

    const int width = 600;
    const int band = 400;
    const PngPixels both = renderedPng(figures, width, band);
    ASSERT_EQ(both.width, width);
    ASSERT_EQ(both.height, 2 * band);
    for (std::size_t k = 0; k < figures.size(); ++k) {
        SCOPED_TRACE(k);
        const PngPixels alone = renderedPng({&figures[k], 1}, width, band);
        ASSERT_EQ(alone.rows.size(), static_cast<std::size_t>(width * band));
        const auto begin = both.rows.begin() + static_cast<std::ptrdiff_t>(k * width * band);
        EXPECT_TRUE(std::equal(alone.rows.begin(), alone.rows.end(), begin));
    }

    // The height the bands add up to is bounded as a figure's side is.
    const std::vector<FigureData> many(51, first.data);
    EXPECT_EQ(figureBandsProblem(many, FigureFormat::svg, 800, 400),
              "the figure's sides must be 200 to 20000 pixels; 51 bands of 400 make it 20400 "
              "tall");
    EXPECT_EQ(figureBandsProblem({many.data(), 50}, FigureFormat::svg, 800, 400), "");
    EXPECT_EQ(figureBandsProblem({many.data(), 50}, FigureFormat::png, 5001, 400),
              "a PNG figure may have at most 100 million pixels");
    EXPECT_FALSE(renderFigureBands({}, FigureFormat::png, 800, 400, [](std::string_view) {
                     return true;
                 }).written);
}

TEST(PlotFigureFile, TheSameFigureGivesTheSameBytesInEveryFormat) {
    ScratchDirectory dir;
    const SyntheticRun run(5000);
    const SyntheticRun other(300);
    for (const char* ending : {".png", ".svg", ".pdf"}) {
        SCOPED_TRACE(ending);
        ASSERT_TRUE(writeFigure(run.data, dir / (std::string("first") + ending), 800, 500).written);
        // Another figure in between moves every counter cairo keeps for the process.
        ASSERT_TRUE(
            writeFigure(other.data, dir / (std::string("other") + ending), 900, 600).written);
        ASSERT_TRUE(
            writeFigure(run.data, dir / (std::string("second") + ending), 800, 500).written);
        const std::string first = contents(dir / (std::string("first") + ending));
        EXPECT_GT(first.size(), 1000u);
        EXPECT_TRUE(first == contents(dir / (std::string("second") + ending)));
        EXPECT_FALSE(first == contents(dir / (std::string("other") + ending)));
    }
    const std::string pdf = contents(dir / "first.pdf");
    EXPECT_TRUE(pdf.starts_with("%PDF-"));
    EXPECT_NE(pdf.find("/CreationDate (19700101000000Z)"), std::string::npos);
    EXPECT_NE(pdf.find("/ModDate (19700101000000Z)"), std::string::npos);
}

TEST(PlotFigureFile, ASinkGetsTheFilesBytesAndMayRefuseThem) {
    ScratchDirectory dir;
    const SyntheticRun run(2000);
    for (const FigureFormat format : {FigureFormat::png, FigureFormat::svg, FigureFormat::pdf}) {
        const std::string name = format == FigureFormat::png   ? "run.png"
                                 : format == FigureFormat::svg ? "run.svg"
                                                               : "run.pdf";
        SCOPED_TRACE(name);
        ASSERT_TRUE(writeFigure(run.data, dir / name, 700, 450).written);
        std::string bytes;
        const WriteResult collected =
            renderFigure(run.data, format, 700, 450, [&](std::string_view more) {
                bytes += more;
                return true;
            });
        EXPECT_TRUE(collected.written) << collected.failure;
        EXPECT_TRUE(bytes == contents(dir / name));

        int calls = 0;
        const WriteResult refused = renderFigure(run.data, format, 700, 450, [&](std::string_view) {
            ++calls;
            return false;
        });
        EXPECT_FALSE(refused.written);
        EXPECT_EQ(refused.failure, "the figure's bytes could not be written");
        EXPECT_EQ(calls, 1);  // nothing more is offered once refused
    }
    const WriteResult tooSmall =
        renderFigure(run.data, FigureFormat::svg, 100, 450, [](std::string_view) { return true; });
    EXPECT_FALSE(tooSmall.written);
    EXPECT_EQ(tooSmall.failure, "the figure's sides must be 200 to 20000 pixels");
}

TEST(PlotFigureFile, TheSvgIsWellFormedXmlOfTheAskedSize) {
    ScratchDirectory dir;
    SyntheticRun run(44100);
    run.data.title = "A & B <\"quoted\">";  // drawn as glyphs, but must not break the XML
    ASSERT_TRUE(writeFigure(run.data, dir / "run.svg", 1200, 700).written);
    const std::string svg = contents(dir / "run.svg");
    EXPECT_EQ(xmlProblem(svg), "");
    EXPECT_NE(svg.find("width=\"1200px\" height=\"700px\""), std::string::npos);

    // The check itself finds what breaks XML.
    for (const char* broken : {"<a><b></a></b>", "<a x=1/>", "<a/><b/>", "<a x='1' x='2'/>",
                               "<a>&nbsp;</a>", "<a>", "text<a/>", "<a y=\"<\"/>"}) {
        EXPECT_NE(xmlProblem(broken), "") << broken;
    }
}

TEST(PlotFigureFile, AWindowOfNothingButGapsAndExtremesIsStillDrawn) {
    ScratchDirectory dir;
    SyntheticRun run(3000);
    for (std::size_t i = 0; i < 3000; i += 3) {
        run.tValue[i] = nan;
        run.referenceStdDev[i] = nan;
        run.criticalT[i + 1] = nan;
        run.tValue[i + 2] = i % 2 == 0 ? infinity : -infinity;
    }
    run.data.reference = {"/rec/\xFF\xFE broken \x01 name", "take"};  // not UTF-8
    run.data.clusters.push_back({-5, 99999, nan, nan});               // out of the window
    for (const char* ending : {".png", ".svg", ".pdf"}) {
        const WriteResult outcome =
            writeFigure(run.data, dir / (std::string("gaps") + ending), 800, 500);
        EXPECT_TRUE(outcome.written) << ending << ": " << outcome.failure;
    }

    const std::vector<double> nothing(3000, nan);
    FigureData empty;
    empty.referenceMean = nothing;
    empty.tValue = nothing;
    EXPECT_TRUE(writeFigure(empty, dir / "nothing.png", 400, 300).written);
    EXPECT_TRUE(writeFigure(FigureData{}, dir / "none.png", 400, 300).written);
}

TEST(PlotFigureFile, RefusesWhatItCannotWriteAndLeavesNothingBehind) {
    ScratchDirectory dir;
    const SyntheticRun run(1000);
    struct Case {
        std::string path;
        int width, height;
    };
    std::filesystem::create_directory(dir / "folder.png");
    for (const Case& c : std::vector<Case>{
             {dir / "run.jpg", 800, 500},
             {dir / "run", 800, 500},
             {dir / "run.png", 199, 500},
             {dir / "run.svg", 800, 20001},
             {dir / "run.png", 20000, 20000},  // 1.6 GB of image
             {dir / "missing/run.png", 800, 500},
             {dir / "folder.png", 800, 500},
             {dir / "", 800, 500},
         }) {
        SCOPED_TRACE(c.path);
        const WriteResult outcome = writeFigure(run.data, c.path, c.width, c.height);
        EXPECT_FALSE(outcome.written);
        EXPECT_FALSE(outcome.failure.empty());
    }
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"folder.png"});
    EXPECT_TRUE(std::filesystem::is_empty(dir / "folder.png"));

    // Arrays of different lengths: the old file stays as it was.
    dir.writeFile("old.pdf", "old contents");
    SyntheticRun uneven(1000);
    uneven.tValue.pop_back();
    uneven.data.tValue = uneven.tValue;
    EXPECT_FALSE(writeFigure(uneven.data, dir / "old.pdf", 800, 500).written);
    EXPECT_EQ(contents(dir / "old.pdf"), "old contents");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"folder.png", "old.pdf"}));
}

TEST(PlotFigureFile, ReplacesAnExistingFileKeepingItsModeAndWritesThroughLinks) {
    ScratchDirectory dir;
    const SyntheticRun run(1000);
    dir.writeFile("run.png", std::string(100000, 'x'));
    ASSERT_EQ(::chmod((dir / "run.png").c_str(), 0640), 0);
    ASSERT_TRUE(writeFigure(run.data, dir / "run.png", 800, 500).written);
    EXPECT_TRUE(contents(dir / "run.png").starts_with("\x89PNG"));
    struct stat status {};
    ASSERT_EQ(::stat((dir / "run.png").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);

    std::filesystem::create_symlink(dir / "run.png", dir / "link.png");
    ASSERT_TRUE(writeFigure(run.data, dir / "link.png", 640, 400).written);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.png"));
    cairo_surface_t* image = cairo_image_surface_create_from_png((dir / "run.png").c_str());
    EXPECT_EQ(cairo_image_surface_get_width(image), 640);
    cairo_surface_destroy(image);
}

}  // namespace
}  // namespace trellmark
