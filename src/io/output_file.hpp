#pragma once
// Creating the files a run writes: the analysis report, the signal files and
// the other results.

#include <sys/types.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace trellmark {

// Which file on disk a name leads to, so that two names of one file are known
// as one.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Where writing `name` would put the file: the file's identity when it
// exists, otherwise the resolved path of the file to be made (its directory
// with every link followed, a dangling link's target). Two outputs with one
// place are one file however they are spelled; empty for a device, which
// any number of outputs may share.
std::string outputPlace(const std::string& name);

// The identity of the file a path leads to (following links); none when there
// is no such file.
std::optional<FileIdentity> identityOf(const std::string& path);

// A file being written. The bytes go to a temporary file beside the named one,
// which takes the name only when every byte is in: an earlier file of that
// name stays whole until then, and is kept when the writing fails. Where no
// temporary file can be made, the output is refused.
struct OutputFile {
    int fd = -1;                // for writing; the caller may hand it to a stream that closes it
    std::string finalName;      // where the file ends up (a link's target for a link)
    std::string temporaryName;  // empty when writing straight to the file (a device)
};

// Why a file could not be written, in words that read after "Could not write
// NAME: " (the disk is full, its directory does not exist, ...).
std::string failureInWords(int error);

// Opens the named file for writing, used exactly as held. On failure fd is -1
// and `failure` says why. Refused: an empty name and a name containing "*" or
// "?" (a mistake, never a file the user meant); a directory, pipe, socket,
// terminal or disk device; an existing file the user may not write; and any of
// the `inputs`, the recordings the run
// read, which must never be overwritten by its results. Other character
// devices (the null device) are written straight, like files.
OutputFile openOutputFile(const std::string& name, std::span<const FileIdentity> inputs,
                          std::string& failure);

// Writes all the bytes, going on after interruptions and short writes. False,
// with `failure` set, when the file takes no more.
bool writeOutputBytes(const OutputFile& file, std::string_view bytes, std::string& failure);

// Makes sure a temporary file's bytes are on the disk, so that it never
// replaces the earlier file with fewer bytes than were written; nothing to do
// for a device. False, with `failure` set, when the disk refused them.
bool syncOutputFile(const OutputFile& file, std::string& failure);

// Closes fd unless `fdClosed` (a stream closed it already) and, when
// `allWritten` and the bytes reached the disk, gives the file its name;
// otherwise removes the temporary file.
// False, with `failure` set, when the file did not get its name.
bool finishOutputFile(OutputFile& file, bool allWritten, bool fdClosed, std::string& failure);

}  // namespace trellmark
