// The faults of bad outputs and misplaced options, each as a whole run of the
// program in a scratch directory: its exit status, its message, the bytes of
// the file that was there before, and no temporary file left behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "io/temporary_files.hpp"
#include "support/scratch_directory.hpp"
#include "support/wave_bytes.hpp"
#include "support/whole_file.hpp"

namespace trellmark {
namespace {

namespace fs = std::filesystem;
using wavetest::Bytes;
using wavetest::readBytes;
using wavetest::writeBytes;

struct ProgramRun {
    int status = -1;  // exit status; 128 + N for a death by signal N
    std::string err;
};

// Runs the program with `arguments` in `directory`; `prepare` runs in the
// child before exec (limits, another user). SIGXFSZ has its default action,
// so that only the program itself can ignore it.
ProgramRun runProgram(const std::string& directory, const std::vector<std::string>& arguments,
                      const std::function<void()>& prepare = {}) {
    const std::string errName = directory + "/../stderr.txt";
    const pid_t child = ::fork();
    if (child == 0) {
        std::vector<std::string> words{TRELLMARK_TOOLS_DIR "/trellmark"};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        const int err = ::open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const int null = ::open("/dev/null", O_RDWR);
        if (err < 0 || null < 0 || ::chdir(directory.c_str()) != 0) ::_exit(126);
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::signal(SIGXFSZ, SIG_DFL);
        if (prepare) prepare();
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ProgramRun run;
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.err = testing::readWholeFile(errName);
    return run;
}

// The status of a child that, as the other user, may not even run the
// program: a build under a directory closed to that user.
constexpr int otherUserCannotRun = 77;

// Leaves the process as a user who owns none of the files, so that a closed
// directory is closed even when the tests run as root.
void becomeAnotherUser() {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(125);
    if (::access(TRELLMARK_TOOLS_DIR "/trellmark", X_OK) != 0) ::_exit(otherUserCannotRun);
}

void limitFileSize(rlim_t bytes) {
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

// Every hidden temporary file under `directory`.
std::vector<std::string> temporaryFiles(const fs::path& directory) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
        if (entry.path().filename().string().starts_with(".trellmark-")) {
            found.push_back(entry.path());
        }
    }
    return found;
}

// A scratch directory every user may enter, with five reference and five
// comparison takes of four samples and an earlier report of 700 bytes in a
// directory nobody but root may add files to.
class FaultRuns : public ::testing::Test {
  protected:
    void SetUp() override {
        ::chmod(scratch_.path().c_str(), 0755);
        root_ = scratch_.path() + "/run";
        for (const char* folder : {"run", "run/ref", "run/cmp", "run/out", "run/closed"}) {
            fs::create_directory(scratch_.path() + "/" + folder);
            ::chmod((scratch_.path() + "/" + folder).c_str(), 0777);
        }
        for (int i = 0; i < 5; ++i) {
            wavetest::writeTake(root_ + "/ref/r" + std::to_string(i) + ".wav", 16, 44100, 0, 1000,
                                100, {10 + i, 20, 30 - i, 40});
            wavetest::writeTake(root_ + "/cmp/c" + std::to_string(i) + ".wav", 16, 44100, 0, 1000,
                                100, {90 + i, 20, 30 + i, 40});
        }
        for (const char* old : {"closed/old.txt", "out/same.txt", "out/old.txt"}) {
            writeBytes(root_ + "/" + old, oldBytes);
            ::chmod((root_ + "/" + old).c_str(), 0666);
        }
        ::chmod((root_ + "/closed").c_str(), 0555);
        fs::create_directory_symlink("out", root_ + "/outlink");
        fs::create_symlink("out/same.txt", root_ + "/samelink.txt");
    }
    void TearDown() override { ::chmod((root_ + "/closed").c_str(), 0777); }

    static std::vector<std::string> compareWith(std::vector<std::string> outputs) {
        std::vector<std::string> arguments{"compare", "--reference",  "ref", "--reference-core",
                                           "r",       "--comparison", "cmp", "--comparison-core",
                                           "c",       "--threshold",  "50",  "--length",
                                           "4",       "--quiet"};
        arguments.insert(arguments.end(), outputs.begin(), outputs.end());
        return arguments;
    }

    const Bytes oldBytes = Bytes(700, 'o');
    testing::ScratchDirectory scratch_;
    std::string root_;
};

TEST_F(FaultRuns, EachFaultEndsInItsStatusAndMessageWithTheOldFileWhole) {
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        std::function<void()> prepare;
        int status;
        std::string message;  // the first line on standard error
        const char* oldFile;  // relative to the run directory; must keep its bytes
    };
    std::vector<Case> cases = {
        {"closed directory under a file-size limit", compareWith({"--report", "closed/old.txt"}),
         [] {
             becomeAnotherUser();
             limitFileSize(1000);
         },
         2,
         "trellmark: cannot write closed/old.txt: permission to make a new file in its directory "
         "is denied",
         "closed/old.txt"},
        {"a report larger than the file-size limit", compareWith({"--report", "out/old.txt"}),
         [] { limitFileSize(1000); }, 2,
         "trellmark: cannot write out/old.txt: the file would be larger than allowed",
         "out/old.txt"},
        {"one file spelled twice",
         compareWith({"--report", "out/same.txt", "--json", "./out/same.txt"}),
         {},
         2,
         "trellmark: --report 'out/same.txt' and --json './out/same.txt' name the same file",
         "out/same.txt"},
        {"one file through a link",
         compareWith({"--report", "out/same.txt", "--csv", "samelink.txt"}),
         {},
         2,
         "trellmark: --report 'out/same.txt' and --csv 'samelink.txt' name the same file",
         "out/same.txt"},
        {"one new file through a linked directory",
         compareWith({"--difference", "out/new.wav", "--plot", "x.png", "--reference-mean",
                      "outlink/new.wav"}),
         {},
         2,
         "trellmark: --reference-mean 'outlink/new.wav' and --difference 'out/new.wav' name the "
         "same file",
         "out/same.txt"},
        {"permutations before compare",
         [] {
             std::vector<std::string> arguments = compareWith({"--report", "out/old.txt"});
             arguments.insert(arguments.begin(), {"--permutations", "0"});
             return arguments;
         }(),
         {},
         2,
         "trellmark: --permutations belongs after 'compare'",
         "out/old.txt"},
        {"a figure before compare",
         [] {
             std::vector<std::string> arguments = compareWith({});
             arguments.insert(arguments.begin(), {"--plot", "out/old.txt.png"});
             return arguments;
         }(),
         {},
         2,
         "trellmark: --plot belongs after 'compare'",
         "out/old.txt"},
        {"a bogus statistic before compare",
         [] {
             std::vector<std::string> arguments = compareWith({});
             arguments.insert(arguments.begin(),
                              {"--cluster-statistic", "bogus", "--plot-size", "1x1"});
             return arguments;
         }(),
         {},
         2,
         "trellmark: --plot-size belongs after 'compare'",
         "out/old.txt"},
        {"a core holding a directory",
         {"compare", "--reference", ".", "--reference-core", "ref/r", "--threshold", "50",
          "--length", "4"},
         {},
         2,
         "trellmark: --reference-core: 'ref/r' holds a '/', but a core is the start of a file "
         "name: put its directory in --reference",
         "out/old.txt"},
        {"a number past every range",
         compareWith({"--seed", "9223372036854775808"}),
         {},
         2,
         "trellmark: --seed: '9223372036854775808' is too large (0 to 9223372036854775807)",
         "out/old.txt"},
    };
    // Root may write the file but not make one beside it; another user may
    // not write it at all. Either way, never "its directory does not exist".
    cases.push_back({"a file of /proc",
                     compareWith({"--report", "/proc/self/status"}),
                     {},
                     2,
                     ::geteuid() == 0
                         ? "trellmark: cannot write /proc/self/status: its directory takes no new "
                           "files"
                         : "trellmark: cannot write /proc/self/status: permission to write it is "
                           "denied",
                     "out/old.txt"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ProgramRun run = runProgram(root_, c.arguments, c.prepare);
        if (run.status == otherUserCannotRun) {
            std::cout << "[  SKIPPED ] " << c.what
                      << ": the other user may not run the program in this build directory\n";
            continue;
        }
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), c.message);
        EXPECT_EQ(readBytes(root_ + "/" + c.oldFile), oldBytes);
        EXPECT_FALSE(fs::exists(root_ + "/out/new.wav"));
        EXPECT_EQ(temporaryFiles(root_), std::vector<std::string>{});
    }
}

// The outputs that are written: a dangling link's target, and a name shown
// with its control bytes as "?" in the report, as on standard error.
TEST_F(FaultRuns, ALinkIsWrittenThroughAndNamesAreShownPrintable) {
    fs::create_symlink("out/target.txt", root_ + "/dangling.txt");
    wavetest::writeTake(root_ + "/ref/r\x1b[2J.wav", 16, 44100, 0, 1000, 100, {10, 20, 30, 40});
    const ProgramRun run =
        runProgram(root_, compareWith({"--report", "dangling.txt", "--json", "out/r.json"}));
    EXPECT_TRUE(run.status == 0 || run.status == 1) << run.status << run.err;
    EXPECT_TRUE(fs::is_symlink(root_ + "/dangling.txt"));
    const std::string report = testing::readWholeFile(root_ + "/out/target.txt");
    EXPECT_NE(report.find("   ref/r?[2J.wav\r\n"), std::string::npos) << report;
    EXPECT_EQ(report.find('\x1b'), std::string::npos);
    EXPECT_EQ(temporaryFiles(root_), std::vector<std::string>{});
}

// The program's address space when it does nearly nothing: the smallest
// limit under which `trellmark --version` still runs, to a megabyte.
[[maybe_unused]] rlim_t measuredFootprint(const std::string& directory) {
    rlim_t low = 1 << 20;
    rlim_t high = rlim_t{1} << 32;
    while (high - low > (1 << 20)) {
        const rlim_t middle = low + (high - low) / 2;
        const ProgramRun run = runProgram(directory, {"--version"}, [middle] {
            const rlimit limit{middle, middle};
            ::setrlimit(RLIMIT_AS, &limit);
        });
        (run.status == 0 ? high : low) = middle;
    }
    return high;
}

// Under address-space limits from just above the program's footprint up,
// every run ends by its own word: a verdict, or "not enough memory" with
// exit 2, never an abort; the earlier report is whole, old or new, and no
// temporary file is left.
TEST_F(FaultRuns, MemoryRunningOutAtAnyStepEndsInPlainWords) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address-space limits do not work under the address sanitizer";
#else
    for (int i = 0; i < 10; ++i) {
        std::vector<int> window(80000, 10 + i);
        wavetest::writeTake(root_ + "/ref/r" + std::to_string(i) + ".wav", 16, 44100, 0, 1000, 100,
                            window);
        wavetest::writeTake(root_ + "/cmp/c" + std::to_string(i) + ".wav", 16, 44100, 0, 1000, 100,
                            window);
    }
    const rlim_t footprint = measuredFootprint(root_);
    std::vector<std::string> arguments =
        compareWith({"--report", "out/old.txt", "--json", "out/r.json", "--csv", "out/r.csv",
                     "--difference", "out/d.wav", "--plot", "out/f.png", "--html", "out/p.html"});
    arguments[12] = "80000";  // --length
    int stoppedPartWay = 0;
    for (rlim_t extra = 0; extra <= rlim_t{32} << 20; extra += 1 << 20) {
        SCOPED_TRACE(extra);
        const rlim_t bytes = footprint + extra;
        const ProgramRun run = runProgram(root_, arguments, [bytes] {
            const rlimit limit{bytes, bytes};
            ::setrlimit(RLIMIT_AS, &limit);
        });
        EXPECT_TRUE(run.status >= 0 && run.status <= 2) << run.status << run.err;
        // Either the check before the reading finds the memory short, or the
        // run finds it so part way.
        if (run.err.find("trellmark: stopped: not enough memory\n") != std::string::npos) {
            ++stoppedPartWay;
        } else if (run.status == 2) {
            // An output whose drawing ran short, or the check before the reading.
            EXPECT_NE(run.err.find("memory"), std::string::npos) << run.err;
        }
        const Bytes report = readBytes(root_ + "/out/old.txt");
        EXPECT_TRUE(report == oldBytes ||
                    testing::readWholeFile(root_ + "/out/old.txt").find("REFERENCE FILES:") == 0);
        EXPECT_EQ(temporaryFiles(root_), std::vector<std::string>{}) << run.status << run.err;
    }
    EXPECT_GT(stoppedPartWay, 0);
#endif
}

// A set holds 1000 files: the rest are named in a warning, and the run ends
// in 2 unless notes are accepted.
TEST_F(FaultRuns, FilesBeyondAThousandAreNamedAndEndTheRunInTwo) {
    fs::create_directory(root_ + "/many");
    for (int i = 0; i < 1005; ++i) {
        wavetest::writeTake(root_ + "/many/m" + std::to_string(i) + ".wav", 16, 44100, 0, 1000, 100,
                            {10 + i % 7, 20, 30, 40});
    }
    std::vector<std::string> arguments = compareWith({});
    arguments[2] = "many";  // --reference
    arguments[4] = "m";     // --reference-core
    const std::string warning =
        "trellmark: warning: many/m*.wav: 1005 files match: the 5 after the first 1000 are left "
        "out.";
    const ProgramRun noted = runProgram(root_, arguments);
    EXPECT_EQ(noted.status, 2);
    EXPECT_EQ(noted.err.substr(0, noted.err.find('\n')), warning);
    arguments.push_back("--accept-notes");
    const ProgramRun accepted = runProgram(root_, arguments);
    EXPECT_TRUE(accepted.status == 0 || accepted.status == 1) << accepted.status << accepted.err;
    EXPECT_EQ(accepted.err.substr(0, accepted.err.find('\n')), warning);
}

// Recordings at 0 samples a second give no wave file anyone could play.
TEST_F(FaultRuns, SignalFilesAtRateZeroAreRefused) {
    for (int i = 0; i < 5; ++i) {
        for (const char* set : {"/ref/r", "/cmp/c"}) {
            wavetest::writeTake(root_ + set + std::to_string(i) + ".wav", 16, 0, 0, 1000, 100,
                                {90 + i, 20, 30 + i, 40});
        }
    }
    const ProgramRun run = runProgram(root_, compareWith({"--difference", "out/d.wav"}));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("trellmark: cannot write out/d.wav: the recordings give it no sample "
                           "rate (0)\n"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(root_ + "/out/d.wav"));
}

// A signal while a temporary file is open removes it, and the process still
// ends by that signal.
TEST(TemporaryFiles, ASignalRemovesThemAndStillEndsTheProcess) {
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        testing::ScratchDirectory scratch;
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            struct sigaction usual {};
            usual.sa_handler = SIG_DFL;
            ::sigaction(signalNumber, &usual, nullptr);
            removeTemporaryFilesOnSignals();
            std::string first = scratch / ".trellmark-XXXXXX";
            std::string second = scratch / ".trellmark-XXXXXX";
            const bool made =
                makeTemporaryFile(first.data()) >= 0 && makeTemporaryFile(second.data()) >= 0;
            const char go = made ? 'y' : 'n';
            if (::write(ready[1], &go, 1) != 1) ::_exit(1);
            while (true) ::pause();
        }
        ::close(ready[1]);
        char go = 0;
        ASSERT_EQ(::read(ready[0], &go, 1), 1);
        ::close(ready[0]);
        EXPECT_EQ(go, 'y');
        EXPECT_EQ(temporaryFiles(scratch.path()).size(), 2u);
        ::kill(child, signalNumber);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << status;
        EXPECT_EQ(temporaryFiles(scratch.path()), std::vector<std::string>{});
    }
}

// SIGTERM while an output is being written removes its temporary file, and
// the process still ends by SIGTERM.
TEST_F(FaultRuns, TerminatedWhileWritingLeavesNoTemporaryFile) {
    const std::vector<int> window(300000, 7);
    for (int i = 0; i < 2; ++i) {
        wavetest::writeTake(root_ + "/ref/r" + std::to_string(i) + ".wav", 16, 44100, 0, 1000, 100,
                            window);
        wavetest::writeTake(root_ + "/cmp/c" + std::to_string(i) + ".wav", 16, 44100, 0, 1000, 100,
                            window);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGTERM, SIG_DFL);
        std::vector<std::string> arguments = compareWith({"--csv", "out/big.csv"});
        arguments[12] = "300000";  // --length
        std::vector<std::string> words{TRELLMARK_TOOLS_DIR "/trellmark"};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        const int null = ::open("/dev/null", O_RDWR);
        if (null < 0 || ::chdir(root_.c_str()) != 0) ::_exit(126);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    // Struck as soon as the temporary file is there, within ten seconds.
    bool seen = false;
    for (int wait = 0; wait < 100000 && !seen; ++wait) {
        seen = !temporaryFiles(root_ + "/out").empty();
        if (!seen) ::usleep(100);
    }
    ::kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(seen);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(temporaryFiles(root_), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(root_ + "/out/big.csv"));
}

// Ctrl-C during a long permutation test ends `compare` by SIGINT with
// nothing left behind.
TEST_F(FaultRuns, AnInterruptedPermutationTestLeavesNothing) {
    // 20 and 20 takes: far more splits than a run could enumerate.
    for (int i = 5; i < 20; ++i) {
        wavetest::writeTake(root_ + "/ref/r" + std::to_string(i) + ".wav", 16, 44100, 0, 1000, 100,
                            {10 + i, 20, 30 - i, 40});
        wavetest::writeTake(root_ + "/cmp/c" + std::to_string(i) + ".wav", 16, 44100, 0, 1000, 100,
                            {90 + i, 20, 30 + i, 40});
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGINT, SIG_DFL);
        std::vector<std::string> words{TRELLMARK_TOOLS_DIR "/trellmark"};
        for (const std::string& word :
             compareWith({"--permutations", "100000000", "--report", "out/old.txt"}))
            words.push_back(word);
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        const int null = ::open("/dev/null", O_RDWR);
        if (null < 0 || ::chdir(root_.c_str()) != 0) ::_exit(126);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::usleep(500000);
    ::kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(readBytes(root_ + "/out/old.txt"), oldBytes);
    EXPECT_EQ(temporaryFiles(root_), std::vector<std::string>{});
}

}  // namespace
}  // namespace trellmark
