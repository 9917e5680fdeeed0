#pragma once
// Labels along one line that never cover each other: each goes centred over its anchor or not at
// all.

#include <optional>
#include <vector>

namespace trellmark {

struct LabelSpan {
    double left = 0;
    double right = 0;
};

struct LabelRequest {
    double anchor = 0;  // where the label's middle wants to be
    double width = 0;
};

// Places the labels in the order given (the most important first): each centred on its anchor,
// moved inside from .. to, and kept only when it stays at least gap away from every label placed
// before it and from every reserved span. The left edge of each kept label; nullopt for a label
// left out (also one wider than from .. to).
std::vector<std::optional<double>> placeLabels(const std::vector<LabelRequest>& requests,
                                               const std::vector<LabelSpan>& reserved, double from,
                                               double to, double gap);

}  // namespace trellmark
