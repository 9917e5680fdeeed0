#include "plot/figure_texts.hpp"

#include <array>
#include <charconv>
#include <cmath>

namespace trellmark {
namespace {

std::string fixedText(double value, int decimals) {
    std::array<char, 400> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value,
                                       std::chars_format::fixed, decimals);
    return std::string(text.data(), written.ptr);
}

}  // namespace

std::string setLabelText(const FigureSetLabel& label) {
    if (label.directory.empty()) return label.coreName;
    if (label.coreName.empty()) return label.directory;
    if (label.directory.back() == '/') return label.directory + label.coreName;
    return label.directory + "/" + label.coreName;
}

std::string lsbUnitText(std::int32_t bitsPerSample) {
    if (bitsPerSample <= 0) return "LSB";
    return "LSB at " + std::to_string(bitsPerSample) + " bit";
}

std::string countText(std::int64_t count) {
    return std::to_string(count);
}

std::string expectedCountText(double expected) {
    if (!std::isfinite(expected)) return "?";
    std::string text = fixedText(expected, 1);
    if (text.ends_with(".0")) text.resize(text.size() - 2);
    return text;
}

std::optional<std::string> pValueText(double p) {
    if (std::isnan(p)) return std::nullopt;
    // Three significant digits, as the screen prints p: the smallest p of 1000 random splits is
    // 1/1001, which "p = 0.000999" states and "p < 0.001" would not.
    std::array<char, 64> text{};
    const auto written =
        std::to_chars(text.data(), text.data() + text.size(), p, std::chars_format::general, 3);
    return "p = " + std::string(text.data(), written.ptr);
}

std::string clusterLegendText(double alpha) {
    std::string text = "Clusters, p < 0.5";
    if (alpha > 0) {
        std::array<char, 64> digits{};
        const auto written = std::to_chars(digits.data(), digits.data() + digits.size(), alpha);
        text += "; labelled: p < " + std::string(digits.data(), written.ptr);
    }
    return text;
}

std::string summaryText(const FigureData& data) {
    std::string text;
    if (!data.verdict.empty()) text = "Verdict: " + data.verdict;
    std::string counts;
    if (data.significantCount) {
        counts = countText(*data.significantCount) + " of " +
                 countText(static_cast<std::int64_t>(data.referenceMean.size())) +
                 " samples significant";
    }
    if (data.expectedByChance) {
        if (!counts.empty()) counts += ", ";
        counts += expectedCountText(*data.expectedByChance) + " expected by chance";
    }
    if (!text.empty() && !counts.empty()) text += "; ";
    return text + counts;
}

std::string tHeadingText(std::int32_t confidencePercent) {
    std::string text = "t, with \u00B1 critical t";
    if (confidencePercent > 0) text += " at " + std::to_string(confidencePercent) + " %";
    return text + "; shaded: significant samples";
}

}  // namespace trellmark
