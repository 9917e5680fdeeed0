#pragma once
// A file path well over 255 characters, through two nested directories, and a
// decoy: the path's first 255 characters name a sibling of the outer directory.
// A program that cut names at 255 characters would use the decoy instead of
// the real file, so tests can tell the two apart.

#include <filesystem>
#include <string>

namespace trellmark::testing {

struct DeepPath {
    std::string path;   // root/<240 d>/<240 e>/leaf, directories created
    std::string decoy;  // path cut to 255 characters; not created
};

// Empty paths when root is too long or too short for the cut to land inside
// the outer directory's name.
inline DeepPath makeDeepPath(const std::string& root, const std::string& leaf) {
    constexpr std::size_t cut = 255;
    constexpr std::size_t componentLength = 240;
    if (root.size() + 1 >= cut || root.size() + 1 + componentLength <= cut) return {};
    const std::string outer = root + "/" + std::string(componentLength, 'd');
    const std::string inner = outer + "/" + std::string(componentLength, 'e');
    std::error_code error;
    std::filesystem::create_directories(inner, error);
    if (error) return {};
    DeepPath deep{inner + "/" + leaf, {}};
    deep.decoy = deep.path.substr(0, cut);
    return deep;
}

}  // namespace trellmark::testing
