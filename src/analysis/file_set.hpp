#pragma once
// Which recordings make up a set: the matching files of one directory, in a
// fixed order.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trellmark {

constexpr int maxFilesPerSet = 1000;

struct FileSet {
    std::string directory;   // as typed (the comparison set's empty answer already replaced)
    std::string coreName;    // as typed, may be empty
    std::int16_t count = 0;  // 0 to 1000
    // File k of the set (counting from 1, as the report lists them) is at index
    // k - 1 of both.
    std::vector<std::string> names;  // bare file names
    std::vector<std::string> paths;  // directory + "/" + name
};

// The search pattern of a set: coreName + "*.wav".
std::string fileSetPattern(const std::string& coreName);

// True when name matches pattern: "*" any run, "?" one character (a UTF-8
// sequence counts as one), ASCII letters compared without case.
bool wildcardMatch(std::string_view pattern, std::string_view name);

// The regular files of the directory whose names match coreName + "*.wav",
// hidden entries and everything but regular files skipped, sorted by their
// upper-cased bytes, at most 1000.
FileSet findFileSet(const std::string& directory, const std::string& coreName);

}  // namespace trellmark
