#pragma once
// A program started on a fresh pseudo-terminal, so that its controlling
// terminal (its /dev/tty) is one the test can read, type into and inspect.
// Every wait has a deadline: a program that hangs is killed, never waited for.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trellmark::testing {

class PtyChild {
  public:
    using Clock = std::chrono::steady_clock;

    // Forks `program` onto a new pseudo-terminal of rows x columns with the
    // given environment. It waits before exec until release(), so the
    // terminal can be inspected before the program touches it.
    PtyChild(const std::string& program, const std::vector<std::string>& environment, int rows,
             int columns) {
        std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};
        std::vector<char*> envp;
        for (const std::string& entry : environment)
            envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
        int gate[2];
        if (pipe2(gate, O_CLOEXEC) != 0) return;
        winsize size{};
        size.ws_row = static_cast<unsigned short>(rows);
        size.ws_col = static_cast<unsigned short>(columns);
        pid_ = forkpty(&master_, nullptr, nullptr, &size);
        if (pid_ == 0) {
            // Only async-signal-safe calls between fork and exec. The signals
            // the test sends must have their default dispositions, whatever
            // the test runner ignores or blocks.
            ::close(gate[1]);
            char go = 0;
            if (::read(gate[0], &go, 1) != 1) _exit(126);
            struct sigaction usual {};
            usual.sa_handler = SIG_DFL;
            for (int s : {SIGTERM, SIGHUP, SIGINT}) sigaction(s, &usual, nullptr);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        ::close(gate[0]);
        if (pid_ < 0) {
            ::close(gate[1]);
            return;
        }
        gate_ = gate[1];
        if (master_ >= 0) fcntl(master_, F_SETFD, FD_CLOEXEC);
    }

    ~PtyChild() {
        if (gate_ >= 0) ::close(gate_);
        if (pid_ > 0 && !status_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) ::close(master_);
    }
    PtyChild(const PtyChild&) = delete;
    PtyChild& operator=(const PtyChild&) = delete;

    bool started() const { return pid_ > 0 && master_ >= 0; }
    pid_t pid() const { return pid_; }
    const std::string& output() const { return output_; }

    void release() {
        const char go = 1;
        if (::write(gate_, &go, 1) != 1) return;
        ::close(gate_);
        gate_ = -1;
    }

    // The terminal's settings as the program sees them: on Linux the master
    // reports those of the slave side.
    std::optional<termios> settings() const {
        termios now{};
        if (tcgetattr(master_, &now) != 0) return std::nullopt;
        return now;
    }

    void type(std::string_view bytes) const {
        while (!bytes.empty()) {
            const ssize_t n = ::write(master_, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    // Reads the output until `text` appears in it at or after `from`; false
    // when the terminal closes or the deadline passes first.
    bool readUntil(std::string_view text, std::size_t from, Clock::duration limit) {
        const auto deadline = Clock::now() + limit;
        while (output_.find(text, from) == std::string::npos) {
            if (Clock::now() > deadline || !readSome(100)) return false;
        }
        return true;
    }

    // Waits for the program to end, reading its output all the while so that
    // it never blocks on a full terminal; then reads what is left. The wait
    // status, or none when the deadline passed (the program is then killed).
    std::optional<int> waitForEnd(Clock::duration limit) {
        const auto deadline = Clock::now() + limit;
        while (!status_) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = status;
                break;
            }
            if (Clock::now() > deadline) return std::nullopt;
            readSome(20);
        }
        while (readSome(0)) {
        }
        return status_;
    }

  private:
    // False when nothing came within the wait or the terminal is closed.
    bool readSome(int waitMilliseconds) {
        pollfd watch{master_, POLLIN, 0};
        const int ready = poll(&watch, 1, waitMilliseconds);
        if (ready < 0) return errno == EINTR;
        if (ready == 0) return waitMilliseconds > 0;
        char buffer[4096];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) return n < 0 && errno == EINTR;  // EIO: the program's side is closed
        output_.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int master_ = -1;
    int gate_ = -1;
    std::optional<int> status_;
    std::string output_;
};

}  // namespace trellmark::testing
