// The real program's dialogue on a pseudo-terminal. Ended from outside by a
// signal, at a question and while the recordings are read, the terminal must
// get back the modes it had before the program started, and the program must
// still die of the signal. At its start it refuses a terminal it cannot drive
// and never flashes in colours of its own.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/pty_child.hpp"
#include "support/scratch_directory.hpp"
#include "support/wave_bytes.hpp"
#include "terminal/terminal_restore.hpp"

namespace trellmark {
namespace {

using namespace std::chrono_literals;
using testing::PtyChild;

// Generous: the sanitizer build starts and runs many times slower.
constexpr auto deadline = 60s;

const std::string firstQuestion = "Directory in which the reference files are located?";
const std::string readingText = "Reading ";
// Shown as soon as the reference set is read, before the next question.
const std::string setReadText = "standard deviation within these files";
// rmcup for xterm-256color: the handler's reset leaves the alternate screen.
const std::string mainScreen = "\x1b[?1049l";

// The reference set: one take hard-linked under as many names as a set may
// have, with a long analysis window, so that reading it takes seconds even
// in the fast build and a signal sent at its first file lands mid-read.
constexpr int takeCount = 1000;
constexpr int analysisLength = 1000000;

struct Modes {
    tcflag_t input, output, control, local;
    std::array<cc_t, NCCS> characters;
    bool operator==(const Modes&) const = default;
};

Modes modesOf(const termios& settings) {
    Modes modes{settings.c_iflag, settings.c_oflag, settings.c_cflag, settings.c_lflag, {}};
    std::copy(std::begin(settings.c_cc), std::end(settings.c_cc), modes.characters.begin());
    return modes;
}

void PrintTo(const Modes& modes, std::ostream* out) {
    char flags[96];
    std::snprintf(flags, sizeof flags, "iflag %#o oflag %#o cflag %#o lflag %#o cc",
                  static_cast<unsigned>(modes.input), static_cast<unsigned>(modes.output),
                  static_cast<unsigned>(modes.control), static_cast<unsigned>(modes.local));
    *out << flags;
    for (cc_t c : modes.characters) *out << ' ' << static_cast<unsigned>(c);
}

enum class Moment { firstQuestion, reading };

struct SignalCase {
    int signalNumber;
    Moment moment;
};

std::string nameOf(const SignalCase& c) {
    const char* signalName = c.signalNumber == SIGTERM  ? "Term"
                             : c.signalNumber == SIGHUP ? "Hup"
                                                        : "Int";
    return std::string(signalName) +
           (c.moment == Moment::firstQuestion ? "AtFirstQuestion" : "WhileReading");
}

void PrintTo(const SignalCase& c, std::ostream* out) {
    *out << nameOf(c);
}

class TerminalSignals : public ::testing::TestWithParam<SignalCase> {
  protected:
    static void SetUpTestSuite() {
        takes = std::make_unique<testing::ScratchDirectory>();
        const std::string first = *takes / "take0000.wav";
        wavetest::writeTake(first, 16, 44100, 0, 1000, 50, std::vector<int>(analysisLength, 3));
        for (int k = 1; k < takeCount; ++k) {
            char name[16];
            std::snprintf(name, sizeof name, "take%04d.wav", k);
            if (link(first.c_str(), (*takes / name).c_str()) != 0) break;
        }
    }
    static void TearDownTestSuite() { takes.reset(); }

    static std::unique_ptr<testing::ScratchDirectory> takes;
};

std::unique_ptr<testing::ScratchDirectory> TerminalSignals::takes;

// The program's environment: the terminal type and what the sanitizers need.
std::vector<std::string> environmentWith(const std::string& term) {
    std::vector<std::string> environment{"TERM=" + term};
    for (const char* name : {"PATH", "HOME", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name))
            environment.push_back(std::string(name) + "=" + value);
    }
    return environment;
}

TEST_P(TerminalSignals, GivesBackTheModesItFoundAndDiesOfTheSignal) {
    const SignalCase c = GetParam();
    ASSERT_FALSE(takes->path().empty());
    PtyChild child(TRELLMARK_TOOLS_DIR "/trellmark", environmentWith("xterm-256color"), 50, 120);
    ASSERT_TRUE(child.started());

    const std::optional<termios> before = child.settings();
    ASSERT_TRUE(before);
    // The pseudo-terminal starts cooked, as a shell leaves it.
    ASSERT_EQ(before->c_lflag & (ICANON | ECHO), tcflag_t{ICANON | ECHO});
    child.release();

    ASSERT_TRUE(child.readUntil(firstQuestion, 0, deadline)) << child.output();
    // The program has its own modes now, so a failure to restore would show.
    const std::optional<termios> during = child.settings();
    ASSERT_TRUE(during);
    EXPECT_NE(modesOf(*during), modesOf(*before));

    if (c.moment == Moment::reading) {
        const std::size_t answered = child.output().size();
        child.type(takes->path() + "\rtake\r500\r" + std::to_string(analysisLength) + "\r95\r");
        // The second file's line: the first has been read, and the signal
        // lands between the set's first files and its last.
        ASSERT_TRUE(child.readUntil(readingText, answered, deadline)) << child.output();
        const std::size_t firstFile = child.output().find(readingText, answered);
        ASSERT_TRUE(child.readUntil(readingText, firstFile + 1, deadline)) << child.output();
    }
    const std::size_t signalled = child.output().size();
    ASSERT_EQ(kill(child.pid(), c.signalNumber), 0);

    const std::optional<int> status = child.waitForEnd(deadline);
    ASSERT_TRUE(status) << "the program did not end";
    const std::optional<termios> after = child.settings();
    ASSERT_TRUE(after);
    EXPECT_EQ(modesOf(*after), modesOf(*before));
    // The handler gives the signal its usual course once the terminal is back.
    EXPECT_TRUE(WIFSIGNALED(*status)) << "wait status " << *status;
    if (WIFSIGNALED(*status)) {
        EXPECT_EQ(WTERMSIG(*status), c.signalNumber);
    }
    EXPECT_NE(child.output().find(mainScreen, signalled), std::string::npos);
    if (c.moment == Moment::reading) {
        EXPECT_EQ(child.output().find(setReadText), std::string::npos)
            << "the set was read before the signal came: it must take longer";
    }
}

INSTANTIATE_TEST_SUITE_P(SignalsAndMoments, TerminalSignals,
                         ::testing::Values(SignalCase{SIGTERM, Moment::firstQuestion},
                                           SignalCase{SIGHUP, Moment::firstQuestion},
                                           SignalCase{SIGINT, Moment::firstQuestion},
                                           SignalCase{SIGTERM, Moment::reading},
                                           SignalCase{SIGHUP, Moment::reading},
                                           SignalCase{SIGINT, Moment::reading}),
                         [](const ::testing::TestParamInfo<SignalCase>& info) {
                             return nameOf(info.param);
                         });

// A terminal that cannot place its cursor would show nothing while answers
// are taken: the program refuses it, says why, and leaves its modes alone.
TEST(TerminalStart, ATerminalWithoutCursorAddressingIsRefused) {
    PtyChild child(TRELLMARK_TOOLS_DIR "/trellmark", environmentWith("dumb"), 50, 120);
    ASSERT_TRUE(child.started());
    const std::optional<termios> before = child.settings();
    ASSERT_TRUE(before);
    child.release();
    const std::optional<int> status = child.waitForEnd(deadline);
    ASSERT_TRUE(status) << "the program did not end";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 2) << "wait status " << *status;
    std::string text = child.output();
    std::erase(text, '\r');  // the terminal library's carriage returns
    EXPECT_EQ(text, "trellmark: needs a terminal that can move its cursor, and TERM=dumb cannot\n");
    const std::optional<termios> after = child.settings();
    ASSERT_TRUE(after);
    EXPECT_EQ(modesOf(*after), modesOf(*before));
}

// The first paint clears the terminal before it draws; the clear must already
// be in the program's background (bright white, "\x1b[107m" on this
// terminal), not flash in black ("\x1b[40m") first.
TEST(TerminalStart, TheFirstClearIsInTheProgramsBackground) {
    PtyChild child(TRELLMARK_TOOLS_DIR "/trellmark", environmentWith("xterm-256color"), 50, 120);
    ASSERT_TRUE(child.started());
    child.release();
    ASSERT_TRUE(child.readUntil(firstQuestion, 0, deadline)) << child.output();
    const std::string& output = child.output();
    const std::size_t clear = output.find("\x1b[2J");
    ASSERT_NE(clear, std::string::npos);
    const std::size_t white = output.rfind("\x1b[107m", clear);
    const std::size_t black = output.rfind("\x1b[40m", clear);
    ASSERT_NE(white, std::string::npos);
    EXPECT_TRUE(black == std::string::npos || black < white);
    kill(child.pid(), SIGTERM);
    EXPECT_TRUE(child.waitForEnd(deadline));
}

}  // namespace
}  // namespace trellmark

namespace trellmark {
namespace {

// Set by the clean-up before the terminal is given back.
int cleanUpFd = -1;
extern "C" void markCleanUp() {
    const char mark = 'c';
    if (::write(cleanUpFd, &mark, 1) != 1) return;
}

// A terminating signal runs the clean-up (the dialogue's removal of its
// temporary files) before the terminal's modes come back, and the process
// still dies of the signal.
TEST(TerminalCleanUp, RunsFirstAndTheSignalStillEndsTheProcess) {
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signalNumber);
        int marks[2];
        ASSERT_EQ(::pipe(marks), 0);
        int master = -1;
        int slave = -1;
        ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            struct sigaction usual {};
            usual.sa_handler = SIG_DFL;
            ::sigaction(signalNumber, &usual, nullptr);
            cleanUpFd = marks[1];
            termios saved{};
            ::tcgetattr(slave, &saved);
            setSignalCleanUp(&markCleanUp);
            armTerminalRestore(slave, saved, "R");
            ::raise(signalNumber);
            ::_exit(0);
        }
        ::close(marks[1]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << status;
        char mark = 0;
        EXPECT_EQ(::read(marks[0], &mark, 1), 1);
        EXPECT_EQ(mark, 'c');
        char reset = 0;
        EXPECT_EQ(::read(master, &reset, 1), 1);  // the reset bytes came after
        EXPECT_EQ(reset, 'R');
        ::close(marks[0]);
        ::close(master);
        ::close(slave);
    }
}

}  // namespace
}  // namespace trellmark
