#pragma once
// The temporary files of outputs being written, kept where a signal handler
// can find them: a run stopped by a signal leaves no hidden half-written file.

namespace trellmark {

// Makes a temporary file from `pattern` (ending in XXXXXX, replaced in place)
// as mkostemp does, and remembers its name, with the terminating signals held
// back in between so that no file is made and not yet listed. The file's
// descriptor, or -1 with errno set.
int makeTemporaryFile(char* pattern);

// The file was renamed or removed: the handler must not touch its name.
void forgetTemporaryFile(const char* name);

// Removes every remembered file. Async-signal-safe: it reads only fixed
// buffers and calls only unlink.
void removeTemporaryFiles();

// Handlers for SIGINT, SIGTERM, SIGHUP and SIGQUIT that remove the temporary
// files and let the signal end the process as it would have; a signal the
// caller ignores stays ignored. For a run without a terminal to restore.
void removeTemporaryFilesOnSignals();

}  // namespace trellmark
