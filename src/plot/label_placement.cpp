#include "plot/label_placement.hpp"

#include <algorithm>

namespace trellmark {

std::vector<std::optional<double>> placeLabels(const std::vector<LabelRequest>& requests,
                                               const std::vector<LabelSpan>& reserved, double from,
                                               double to, double gap) {
    std::vector<LabelSpan> taken = reserved;
    std::vector<std::optional<double>> lefts;
    lefts.reserve(requests.size());
    for (const LabelRequest& request : requests) {
        if (request.width > to - from) {
            lefts.push_back(std::nullopt);
            continue;
        }
        const double left =
            std::clamp(request.anchor - request.width / 2, from, to - request.width);
        const LabelSpan place{left, left + request.width};
        const bool free = std::none_of(taken.begin(), taken.end(), [&](const LabelSpan& other) {
            return place.left < other.right + gap && other.left < place.right + gap;
        });
        if (!free) {
            lefts.push_back(std::nullopt);
            continue;
        }
        taken.push_back(place);
        lefts.push_back(left);
    }
    return lefts;
}

}  // namespace trellmark
