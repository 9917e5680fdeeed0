#include "plot/replacement_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace trellmark {
namespace {

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& target) : target_(target) {
    if (target.empty() || target.back() == '/') {
        failure_ = "\"" + target + "\" names no file";
        return;
    }
    // Writing through a symbolic link replaces the file it points to, not the link.
    if (char* resolved = ::realpath(target.c_str(), nullptr)) {
        target_ = resolved;
        std::free(resolved);
    }
    struct stat existing {};
    mode_t mode = 0666;  // narrowed by the umask, as for any new file
    bool keepMode = false;
    if (::stat(target_.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) {
            failure_ = "\"" + target + "\" exists and is not a regular file";
            return;
        }
        mode = existing.st_mode & 07777;
        keepMode = true;
    }
    const std::string stem =
        directoryOf(target_) + "/." + nameOf(target_) + ".tmp-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100 && descriptor_ < 0; ++attempt) {
        temporary_ = stem + std::to_string(attempt);
        descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (descriptor_ < 0 && errno != EEXIST) break;
    }
    if (descriptor_ < 0) {
        const int error = errno;
        temporary_.clear();
        fail("cannot create a file beside \"" + target + "\"", error);
        return;
    }
    if (keepMode) ::fchmod(descriptor_, mode);  // the umask must not narrow an existing file's mode
}

ReplacementFile::~ReplacementFile() {
    abandon();
}

void ReplacementFile::fail(const std::string& what, int error) {
    if (failure_.empty()) failure_ = what + ": " + std::strerror(error);
}

void ReplacementFile::abandon() {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool ReplacementFile::write(std::string_view bytes) {
    if (!ok()) return false;
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            fail("cannot write \"" + target_ + "\"", written < 0 ? errno : ENOSPC);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool ReplacementFile::commit() {
    if (!ok()) {
        abandon();
        return false;
    }
    // Some file systems report a failed write only when the file is closed.
    const int closed = ::close(descriptor_);
    descriptor_ = -1;
    if (closed != 0) fail("cannot write \"" + target_ + "\"", errno);
    if (ok() && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        fail("cannot replace \"" + target_ + "\"", errno);
    }
    if (!ok()) {
        abandon();
        return false;
    }
    temporary_.clear();
    return true;
}

}  // namespace trellmark
