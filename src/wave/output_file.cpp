#include "wave/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trellmark {
namespace {

// A report or a wave file goes into a file. A character device that is not a
// terminal (the null device, a full device) only swallows the bytes; a
// terminal would show them in the middle of the screen, a pipe or a socket can
// stop the run until someone reads, and a disk device would be overwritten.
bool acceptsOutput(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return false;
    if (S_ISREG(status.st_mode)) return true;
    return S_ISCHR(status.st_mode) && !::isatty(fd);
}

}  // namespace

int createOutputFile(const std::string& name) {
    if (name.empty() || name.find_first_of("*?") != std::string::npos) return -1;
    // O_NONBLOCK only so that a FIFO without a reader fails at once instead of
    // stalling the run; O_NOCTTY so that a terminal's name never makes it ours.
    const int fd = ::open(name.c_str(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    const int flags = ::fcntl(fd, F_GETFL);
    if (!acceptsOutput(fd) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace trellmark
