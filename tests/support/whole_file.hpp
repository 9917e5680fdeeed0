#pragma once
// Reading back what a test wrote: a whole file's bytes.

#include <fstream>
#include <iterator>
#include <string>

namespace trellmark::testing {

// The file's bytes; empty when it cannot be read.
inline std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace trellmark::testing
