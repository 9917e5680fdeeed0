#include "report/output_stream.hpp"

#include <cerrno>

namespace trellmark {

bool writeThroughStream(const std::string& fileName, std::span<const FileIdentity> inputs,
                        const std::function<bool(std::FILE*)>& write, std::string& failure) {
    OutputFile file = openOutputFile(fileName, inputs, failure);
    if (file.fd < 0) return false;
    std::FILE* stream = ::fdopen(file.fd, "wb");
    if (stream == nullptr) {
        failure = failureInWords(errno);
        return finishOutputFile(file, false, false, failure);
    }
    errno = 0;
    bool written = write(stream) && std::fflush(stream) == 0;
    if (!written) failure = errno != 0 ? failureInWords(errno) : "the file could not be written";
    if (written && !syncOutputFile(file, failure)) written = false;
    errno = 0;
    const bool closed = std::fclose(stream) == 0;
    if (written && !closed) {
        failure = errno != 0 ? failureInWords(errno) : "the file could not be written";
        written = false;
    }
    return finishOutputFile(file, written, true, failure) && written;
}

}  // namespace trellmark
