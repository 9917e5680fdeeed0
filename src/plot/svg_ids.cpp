#include "plot/svg_ids.hpp"

#include <map>
#include <string_view>

namespace trellmark {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The two ways an id is written; the name follows directly.
constexpr std::string_view definition = "id=\"surface";
constexpr std::string_view reference = "#surface";

}  // namespace

std::string renumberSurfaceIds(const std::string& svg) {
    std::map<std::string, std::string> renamed;  // old number -> new number
    std::string out;
    out.reserve(svg.size());
    std::size_t i = 0;
    while (i < svg.size()) {
        std::size_t prefix = 0;
        if (svg.compare(i, definition.size(), definition) == 0) prefix = definition.size();
        if (svg.compare(i, reference.size(), reference) == 0) prefix = reference.size();
        std::size_t end = i + prefix;
        while (prefix > 0 && end < svg.size() && isDigit(svg[end])) ++end;
        if (prefix == 0 || end == i + prefix) {
            out += svg[i++];
            continue;
        }
        const std::string number = svg.substr(i + prefix, end - i - prefix);
        auto [entry, added] = renamed.try_emplace(number, std::to_string(renamed.size() + 1));
        out.append(svg, i, prefix);
        out += entry->second;
        i = end;
    }
    return out;
}

}  // namespace trellmark
