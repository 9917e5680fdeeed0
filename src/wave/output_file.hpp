#pragma once
// Creating the files a run writes: the analysis report and the signal files.

#include <string>

namespace trellmark {

// Creates the named file, or empties it if it exists, and returns a blocking
// descriptor for writing; -1 when nothing could be created. The name is used
// exactly as held. An empty name and a name containing "*" or "?" create
// nothing: such a name is a mistake, never a file the user meant.
int createOutputFile(const std::string& name);

}  // namespace trellmark
