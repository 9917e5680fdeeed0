#pragma once
// Creating the files a run writes: the analysis report and the signal files.

#include <string>

namespace trellmark {

// Creates the named file, or empties it if it exists, and returns a blocking
// descriptor for writing; -1 when nothing could be created. The name is used
// exactly as held. An empty name and a name containing "*" or "?" create
// nothing: such a name is a mistake, never a file the user meant. Nor does the
// name of a directory, pipe, socket, terminal or disk device; other character
// devices (the null device) are written like files.
int createOutputFile(const std::string& name);

}  // namespace trellmark
