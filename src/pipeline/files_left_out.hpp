#pragma once
// Files a set could not take: a set holds at most maxFilesPerSet files, and
// the run must say how many more matched.

#include <string>

#include "analysis/file_set.hpp"

namespace trellmark {

// How many regular files matching the set's pattern in its directory are
// beyond those it holds; 0 unless the set is full.
int filesLeftOut(const FileSet& set);

// "1005 files match: the 5 after the first 1000 are left out."
std::string filesLeftOutNote(const FileSet& set, int leftOut);

}  // namespace trellmark
