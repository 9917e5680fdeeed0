#pragma once
// Writing a results file through a stdio stream, replacing an earlier file of
// that name only once the new one is complete.

#include <cstdio>
#include <functional>
#include <span>
#include <string>

#include "io/output_file.hpp"
#include "io/write_result.hpp"

namespace trellmark {

// Opens the named file as openOutputFile does, lets `write` fill the stream
// (it returns false when it knows a write failed) and gives the file its name
// when every byte is in.
WriteResult writeThroughStream(const std::string& fileName, std::span<const FileIdentity> inputs,
                               const std::function<bool(std::FILE*)>& write);

}  // namespace trellmark
