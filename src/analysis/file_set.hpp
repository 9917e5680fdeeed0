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

// Which names may end a set's files: ".wav" only (the dialogue's sets), or
// the extension of any format the reader reads.
enum class SetExtensions { waveOnly, everySupported };

// The extensions of every format the reader reads, matched without case.
inline constexpr std::string_view supportedExtensions[] = {
    ".wav", ".wave", ".bwf", ".rf64", ".w64", ".flac", ".aif", ".aiff", ".aifc", ".caf"};

// The search pattern of a set: coreName + "*.wav".
std::string fileSetPattern(const std::string& coreName);

// The set as messages and titles name it: its directory and search pattern.
std::string fileSetName(const FileSet& set);

// True when name matches pattern: "*" any run, "?" one character (a UTF-8
// sequence counts as one), ASCII letters compared without case.
bool wildcardMatch(std::string_view pattern, std::string_view name);

// The regular files of the directory whose names match coreName + "*.wav"
// (or coreName + "*" + any supported extension), hidden entries and
// everything but regular files skipped, sorted by their upper-cased bytes, at
// most 1000.
FileSet findFileSet(const std::string& directory, const std::string& coreName,
                    SetExtensions extensions = SetExtensions::waveOnly);

// Two files of a set whose names differ only in their extension (letter case
// ignored): the same take twice, which a run must not count twice.
struct SameTakeTwice {
    std::string first;  // bare names, in set order
    std::string second;
};

// Every such pair of the set, in set order of their first names.
std::vector<SameTakeTwice> sameTakesTwice(const FileSet& set);

}  // namespace trellmark
