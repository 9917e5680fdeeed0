#include "io/output_stream.hpp"

#include <cerrno>

namespace trellmark {

WriteResult writeThroughStream(const std::string& fileName, std::span<const FileIdentity> inputs,
                               const std::function<bool(std::FILE*)>& write) {
    std::string failure;
    OutputFile file = openOutputFile(fileName, inputs, failure);
    if (file.fd < 0) return failedResult(failure);
    std::FILE* stream = ::fdopen(file.fd, "wb");
    if (stream == nullptr) {
        failure = failureInWords(errno);
        finishOutputFile(file, false, false, failure);
        return failedResult(failure);
    }
    // A stream failure may leave errno unset.
    const auto streamFailure = [] {
        return errno != 0 ? failureInWords(errno) : std::string("the file could not be written");
    };
    errno = 0;
    bool written = write(stream) && std::fflush(stream) == 0;
    if (!written) failure = streamFailure();
    if (written && !syncOutputFile(file, failure)) written = false;
    errno = 0;
    if (std::fclose(stream) != 0 && written) {
        failure = streamFailure();
        written = false;
    }
    if (finishOutputFile(file, written, true, failure) && written) return writtenResult();
    return failedResult(failure);
}

}  // namespace trellmark
