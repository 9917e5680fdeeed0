#include "terminal/terminal_restore.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace trellmark {
namespace {

// Everything the handler touches is set up before it is installed and never
// changed while it is, so it reads plain memory and makes only
// async-signal-safe calls.
int restoreFd = -1;
termios savedSettings{};
char resetBuffer[512];
std::size_t resetLength = 0;
bool armed = false;
void (*cleanUp)() = nullptr;

constexpr int handledSignals[] = {SIGTERM, SIGHUP,  SIGINT,  SIGQUIT, SIGABRT, SIGSEGV,
                                  SIGBUS,  SIGFPE,  SIGILL,  SIGTRAP, SIGSYS,  SIGXCPU,
                                  SIGXFSZ, SIGALRM, SIGUSR1, SIGUSR2};
constexpr std::size_t handledCount = sizeof handledSignals / sizeof handledSignals[0];
struct sigaction previousActions[handledCount];

extern "C" void restoreAndDie(int signalNumber) {
    const int savedErrno = errno;
    if (cleanUp != nullptr) cleanUp();
    tcsetattr(restoreFd, TCSANOW, &savedSettings);
    std::size_t written = 0;
    while (written < resetLength) {
        const ssize_t n = write(restoreFd, resetBuffer + written, resetLength - written);
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    errno = savedErrno;
    // The handler was installed to run once: the default action is back, and
    // the signal, blocked while we run, strikes again as soon as we return.
    raise(signalNumber);
}

void copyResetBytes(std::string_view resetBytes) {
    resetLength = std::min(resetBytes.size(), sizeof resetBuffer);
    std::memcpy(resetBuffer, resetBytes.data(), resetLength);
}

}  // namespace

void armTerminalRestore(int fd, const termios& saved, std::string_view resetBytes) {
    restoreFd = fd;
    savedSettings = saved;
    copyResetBytes(resetBytes);

    struct sigaction action {};
    action.sa_handler = restoreAndDie;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (std::size_t i = 0; i < handledCount; ++i) {
        sigaction(handledSignals[i], nullptr, &previousActions[i]);
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (previousActions[i].sa_handler == SIG_IGN) continue;
        sigaction(handledSignals[i], &action, nullptr);
    }
    armed = true;
}

void setSignalCleanUp(void (*action)()) {
    cleanUp = action;
}

void setTerminalResetBytes(std::string_view resetBytes) {
    sigset_t handled;
    sigset_t previous;
    sigemptyset(&handled);
    for (int signalNumber : handledSignals) sigaddset(&handled, signalNumber);
    sigprocmask(SIG_BLOCK, &handled, &previous);
    copyResetBytes(resetBytes);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

void disarmTerminalRestore() {
    if (!armed) return;
    for (std::size_t i = 0; i < handledCount; ++i) {
        sigaction(handledSignals[i], &previousActions[i], nullptr);
    }
    tcsetattr(restoreFd, TCSANOW, &savedSettings);
    armed = false;
}

}  // namespace trellmark
