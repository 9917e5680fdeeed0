#include "io/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "io/temporary_files.hpp"

namespace trellmark {
namespace {

// The directory part of a path, for the temporary file beside it.
std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The process's file creation mask, without changing it for good.
mode_t currentUmask() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// A character device that is not a terminal (the null device, a full device)
// only swallows the bytes; a terminal would show them in the middle of the
// screen. O_NONBLOCK so that opening never waits; O_NOCTTY so that a
// terminal's name never makes it ours.
OutputFile openDevice(const std::string& name, std::string& failure) {
    OutputFile file;
    const int fd = ::open(name.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        failure = failureInWords(errno);
        return file;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (::isatty(fd)) {
        failure = "it is a terminal";
    } else if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        failure = failureInWords(errno);
    } else {
        file.fd = fd;
        file.finalName = name;
        return file;
    }
    ::close(fd);
    return file;
}

// Where a dangling link leads: the file it names, made by the writing. Links
// to links are followed as far as the system itself would follow them.
std::string danglingTarget(const std::string& name) {
    std::string path = name;
    for (int step = 0; step < 40; ++step) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return path;
        target.resize(static_cast<std::size_t>(length));
        path = target.front() == '/' ? target : directoryOf(path) + "/" + target;
    }
    return path;
}

// Why no temporary file could be made beside the output, in the directory
// `directory`. The output is then refused: writing the file itself in place
// would leave a cut-off file, where an earlier one stood, whenever the
// writing fails part way.
std::string temporaryFailure(int error, const std::string& directory) {
    struct stat status {};
    const bool directoryExists = ::stat(directory.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
    if (directoryExists && (error == EACCES || error == EPERM)) {
        return "permission to make a new file in its directory is denied";
    }
    if (directoryExists && error == ENOENT) return "its directory takes no new files";
    return failureInWords(error);
}

}  // namespace

std::string failureInWords(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return "the disk is full";
        case EACCES:
        case EPERM:
            return "permission to write it is denied";
        case ENOENT:
            return "its directory does not exist";
        case ENOTDIR:
            return "a part of its path is not a directory";
        case EISDIR:
            return "it is a directory";
        case EROFS:
            return "the disk is read-only";
        case ENAMETOOLONG:
            return "the name is too long";
        case ELOOP:
            return "its links lead round in a circle";
        case EFBIG:
            return "the file would be larger than allowed";
        case EIO:
            return "the disk reported an error";
        case EMFILE:
        case ENFILE:
            return "too many files are open";
        case ENOMEM:
            return "not enough memory";
        default: {
            std::string text = std::strerror(error);
            if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] += 'a' - 'A';
            return text;
        }
    }
}

std::string outputPlace(const std::string& name) {
    struct stat status {};
    if (::stat(name.c_str(), &status) == 0) {
        // A device only swallows what it is given: two outputs may share it.
        if (S_ISCHR(status.st_mode)) return {};
        return "file " + std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
    }
    const std::string target = danglingTarget(name);
    const std::size_t slash = target.find_last_of('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::unique_ptr<char, decltype(&std::free)> real(
        ::realpath(directoryOf(target).c_str(), nullptr), &std::free);
    if (real) return "path " + std::string(real.get()) + "/" + base;
    return "path " + std::filesystem::path(target).lexically_normal().string();
}

std::optional<FileIdentity> identityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

OutputFile openOutputFile(const std::string& name, std::span<const FileIdentity> inputs,
                          std::string& failure) {
    if (name.empty()) {
        failure = "no name given";
        return {};
    }
    if (name.find_first_of("*?") != std::string::npos) {
        failure = "a name with * or ? in it is never written";
        return {};
    }
    std::string finalName = name;
    mode_t mode = 0666 & ~currentUmask();
    struct stat status {};
    if (::stat(name.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            failure = "it is a directory";
            return {};
        }
        if (S_ISCHR(status.st_mode)) return openDevice(name, failure);
        if (!S_ISREG(status.st_mode)) {
            failure = "it is not a regular file";
            return {};
        }
        const FileIdentity identity{status.st_dev, status.st_ino};
        if (std::find(inputs.begin(), inputs.end(), identity) != inputs.end()) {
            failure = "it is one of the recordings read";
            return {};
        }
        // Renaming over a file needs only the directory's permission; a file
        // the user may not write must stay as it is all the same.
        if (::faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0) {
            failure = failureInWords(errno);
            return {};
        }
        mode = status.st_mode & 07777;
        // Through a link the file it leads to is replaced, and the link kept.
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(name.c_str(), nullptr),
                                                         &std::free);
        if (real) finalName = real.get();
    } else if (errno != ENOENT) {
        failure = failureInWords(errno);
        return {};
    } else {
        // A link to a file not there yet is kept, and its target written.
        finalName = danglingTarget(name);
    }

    OutputFile file;
    file.finalName = finalName;
    // A short name of its own, so that a name at the length limit still gets a
    // temporary neighbour; hidden, so that no set selection picks it up.
    const std::string directory = directoryOf(finalName);
    std::string temporary = directory + "/.trellmark-XXXXXX";
    const int fd = makeTemporaryFile(temporary.data());
    if (fd < 0) {
        failure = temporaryFailure(errno, directory);
        return {};
    }
    // The permissions an earlier file had, or those a new file gets; failing
    // to set them is no reason not to write.
    (void)::fchmod(fd, mode);
    file.fd = fd;
    file.temporaryName = temporary;
    return file;
}

bool writeOutputBytes(const OutputFile& file, std::string_view bytes, std::string& failure) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(file.fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            failure = failureInWords(put == 0 ? EIO : errno);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

bool syncOutputFile(const OutputFile& file, std::string& failure) {
    if (file.temporaryName.empty() || ::fsync(file.fd) == 0) return true;
    failure = failureInWords(errno);
    return false;
}

bool finishOutputFile(OutputFile& file, bool allWritten, bool fdClosed, std::string& failure) {
    bool written = allWritten;
    if (file.fd >= 0 && !fdClosed && written && !syncOutputFile(file, failure)) written = false;
    if (file.fd >= 0 && !fdClosed && ::close(file.fd) != 0 && written) {
        written = false;
        failure = failureInWords(errno);
    }
    file.fd = -1;
    if (file.temporaryName.empty()) return written;
    if (written && ::rename(file.temporaryName.c_str(), file.finalName.c_str()) != 0) {
        written = false;
        failure = failureInWords(errno);
    }
    if (!written) ::unlink(file.temporaryName.c_str());
    forgetTemporaryFile(file.temporaryName.c_str());
    file.temporaryName.clear();
    return written;
}

}  // namespace trellmark
