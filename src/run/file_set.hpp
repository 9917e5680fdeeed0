#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trellmark {

struct Console;

constexpr int maxFilesPerSet = 1000;

struct FileSet {
    std::string directory;   // as typed (the comparison set's empty answer already replaced)
    std::string coreName;    // as typed, may be empty
    std::int16_t count = 0;  // 0 to 1000
    // Positions 1 to count of the program are indices 0 to count - 1 here.
    std::vector<std::string> names;  // bare file names
    std::vector<std::string> paths;  // directory + "/" + name
};

// True when name matches pattern: "*" any run, "?" one character (a UTF-8
// sequence counts as one), ASCII letters compared without case.
bool wildcardMatch(std::string_view pattern, std::string_view name);

// The regular files of the directory whose names match coreName + "*.wav",
// hidden entries and everything but regular files skipped, in the program's
// fixed order, at most 1000.
FileSet findFileSet(const std::string& directory, const std::string& coreName);

// findFileSet, then the count line "   There are N .wav files matching this
// description" and two line ends on the console.
FileSet selectFileSet(Console& console, const std::string& directory, const std::string& coreName);

}  // namespace trellmark
