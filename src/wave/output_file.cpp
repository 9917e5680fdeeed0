#include "wave/output_file.hpp"

#include <fcntl.h>
#include <unistd.h>

namespace trellmark {

int createOutputFile(const std::string& name) {
    if (name.empty() || name.find_first_of("*?") != std::string::npos) return -1;
    // O_NONBLOCK only so that a FIFO without a reader fails at once instead of
    // stalling the run; the writes that follow block as usual.
    const int fd =
        ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace trellmark
