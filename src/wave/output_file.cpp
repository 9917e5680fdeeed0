#include "wave/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace trellmark {
namespace {

std::string errorText(int error) {
    return std::strerror(error);
}

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
        failure = errorText(errno);
        return file;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (::isatty(fd)) {
        failure = "is a terminal";
    } else if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        failure = errorText(errno);
    } else {
        file.fd = fd;
        file.finalName = name;
        return file;
    }
    ::close(fd);
    return file;
}

// Where no temporary file can be made beside it (a directory the user may not
// write in, holding a file they may), the file is written in place.
OutputFile openInPlace(const std::string& name, std::string& failure) {
    OutputFile file;
    const int fd = ::open(name.c_str(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    struct stat status {};
    if (fd < 0) {
        failure = errorText(errno);
        return file;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        failure = "is not a regular file";
        ::close(fd);
        return file;
    }
    file.fd = fd;
    file.finalName = name;
    return file;
}

}  // namespace

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
        failure = "a name with * or ? is never written";
        return {};
    }
    std::string finalName = name;
    mode_t mode = 0666 & ~currentUmask();
    struct stat status {};
    if (::stat(name.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            failure = "is a directory";
            return {};
        }
        if (S_ISCHR(status.st_mode)) return openDevice(name, failure);
        if (!S_ISREG(status.st_mode)) {
            failure = "is not a regular file";
            return {};
        }
        const FileIdentity identity{status.st_dev, status.st_ino};
        if (std::find(inputs.begin(), inputs.end(), identity) != inputs.end()) {
            failure = "is one of the recordings this run read";
            return {};
        }
        mode = status.st_mode & 07777;
        // Through a link the file it leads to is replaced, and the link kept.
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(name.c_str(), nullptr),
                                                         &std::free);
        if (real) finalName = real.get();
    } else if (errno != ENOENT) {
        failure = errorText(errno);
        return {};
    }

    OutputFile file;
    file.finalName = finalName;
    // A short name of its own, so that a name at the length limit still gets a
    // temporary neighbour; hidden, so that no set selection picks it up.
    std::string temporary = directoryOf(finalName) + "/.trellmark-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            failure = errorText(errno);
            return {};
        }
        return openInPlace(name, failure);
    }
    // The permissions an earlier file had, or those a new file gets; failing
    // to set them is no reason not to write.
    (void)::fchmod(fd, mode);
    file.fd = fd;
    file.temporaryName = temporary;
    return file;
}

bool finishOutputFile(OutputFile& file, bool allWritten, bool fdClosed, std::string& failure) {
    bool written = allWritten;
    if (file.fd >= 0 && !fdClosed && ::close(file.fd) != 0 && written) {
        written = false;
        failure = errorText(errno);
    }
    file.fd = -1;
    if (file.temporaryName.empty()) return written;
    if (written && ::rename(file.temporaryName.c_str(), file.finalName.c_str()) != 0) {
        written = false;
        failure = errorText(errno);
    }
    if (!written) ::unlink(file.temporaryName.c_str());
    file.temporaryName.clear();
    return written;
}

}  // namespace trellmark
