#include "io/temporary_files.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace trellmark {
namespace {

// A run writes one output at a time; a few more slots spare the list from
// ever being full. A name that does not fit is written all the same, only
// not removed by a signal.
constexpr int slotCount = 8;
constexpr std::size_t nameBytes = 4096;
char names[slotCount][nameBytes];
// A slot's name is complete before it is marked used, and the mark goes
// before the name is touched again.
std::atomic<bool> used[slotCount];

constexpr int cleanedSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void remember(const char* name) {
    const std::size_t length = std::strlen(name);
    if (length >= nameBytes) return;
    for (int i = 0; i < slotCount; ++i) {
        if (used[i].load()) continue;
        std::memcpy(names[i], name, length + 1);
        used[i].store(true);
        return;
    }
}

extern "C" void removeAndDie(int signalNumber) {
    const int savedErrno = errno;
    removeTemporaryFiles();
    errno = savedErrno;
    // Installed to run once: the default action is back, and the signal,
    // blocked while we run, strikes again as soon as we return.
    raise(signalNumber);
}

}  // namespace

int makeTemporaryFile(char* pattern) {
    sigset_t held;
    sigset_t previous;
    sigemptyset(&held);
    for (int signalNumber : cleanedSignals) sigaddset(&held, signalNumber);
    pthread_sigmask(SIG_BLOCK, &held, &previous);
    const int fd = ::mkostemp(pattern, O_CLOEXEC);
    const int savedErrno = errno;
    if (fd >= 0) remember(pattern);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = savedErrno;
    return fd;
}

void forgetTemporaryFile(const char* name) {
    for (int i = 0; i < slotCount; ++i) {
        if (used[i].load() && std::strcmp(names[i], name) == 0) used[i].store(false);
    }
}

void removeTemporaryFiles() {
    for (int i = 0; i < slotCount; ++i) {
        if (!used[i].load()) continue;
        ::unlink(names[i]);
        used[i].store(false);
    }
}

void removeTemporaryFilesOnSignals() {
    struct sigaction action {};
    action.sa_handler = removeAndDie;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (int signalNumber : cleanedSignals) {
        struct sigaction previous {};
        sigaction(signalNumber, nullptr, &previous);
        if (previous.sa_handler == SIG_IGN) continue;
        sigaction(signalNumber, &action, nullptr);
    }
}

}  // namespace trellmark
