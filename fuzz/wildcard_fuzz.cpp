// Name matching on any pattern and name (the input split at its first NUL
// byte, which no file name holds; without one the input is both). The greedy
// matcher must agree with a plain table over the characters, which is the
// header's rule written out; a pattern without wildcards matches exactly the
// names equal to it but for ASCII case; "*" matches every name; a set's
// pattern matches its core name followed by anything and ".wav". Quadratic
// work at most: libFuzzer's -timeout catches a matcher that backtracks.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/file_set.hpp"
#include "support/fuzz_check.hpp"
#include "text/utf8.hpp"

namespace trellmark::fuzz {
namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalButAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (lowerAscii(a[k]) != lowerAscii(b[k])) return false;
    }
    return true;
}

// matches[j]: the pattern's characters so far match the name's first j.
bool tableMatch(std::string_view pattern, std::string_view name) {
    const std::vector<std::string> p = splitCharacters(pattern);
    const std::vector<std::string> n = splitCharacters(name);
    std::vector<char> matches(n.size() + 1, 0);
    matches[0] = 1;
    for (const std::string& character : p) {
        std::vector<char> next(n.size() + 1, 0);
        if (character == "*") {
            next[0] = matches[0];
            for (std::size_t j = 1; j <= n.size(); ++j) next[j] = matches[j] || next[j - 1];
        } else {
            for (std::size_t j = 1; j <= n.size(); ++j) {
                next[j] =
                    matches[j - 1] && (character == "?" || equalButAsciiCase(character, n[j - 1]));
            }
        }
        matches.swap(next);
    }
    return matches[n.size()] != 0;
}

}  // namespace
}  // namespace trellmark::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trellmark;
    using namespace trellmark::fuzz;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view pattern = input.substr(0, split);
    const std::string_view name = split == std::string_view::npos ? input : input.substr(split + 1);

    const bool matched = wildcardMatch(pattern, name);
    FUZZ_CHECK(matched == tableMatch(pattern, name));
    if (pattern.find_first_of("*?") == std::string_view::npos) {
        FUZZ_CHECK(matched == equalButAsciiCase(pattern, name));
    }
    FUZZ_CHECK(wildcardMatch("*", name));
    FUZZ_CHECK(wildcardMatch(pattern, pattern));
    FUZZ_CHECK(wildcardMatch("", name) == name.empty());

    const std::string core(pattern);
    const std::string setPattern = fileSetPattern(core);
    FUZZ_CHECK(setPattern == core + "*.wav");
    FUZZ_CHECK(wildcardMatch(setPattern, core + ".wav"));
    FUZZ_CHECK(wildcardMatch(setPattern, core + "Take 1.WAV"));
    return 0;
}
