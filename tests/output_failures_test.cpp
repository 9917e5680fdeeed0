// Outputs that cannot be written, through a whole dialogue: each is named on
// the screen with its reason, and no file that existed before loses a byte.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>

#include "console/console.hpp"
#include "dialogue/dialogue_run.hpp"
#include "io/output_file.hpp"
#include "support/scratch_directory.hpp"
#include "support/screen_rows.hpp"
#include "support/scripted_keys.hpp"
#include "support/wave_bytes.hpp"
#include "support/whole_file.hpp"

namespace trellmark {
namespace {

namespace fs = std::filesystem;
using wavetest::Bytes;
using wavetest::readBytes;
using wavetest::writeBytes;

// Files may grow to `bytes` at most while it lives; a longer write fails with
// "file too large" as a full disk fails it, part way through.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &before_);
        previousSignal_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = before_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, previousSignal_);
    }

  private:
    rlimit before_{};
    void (*previousSignal_)(int) = SIG_DFL;
};

TEST(OutputFailures, EachUnwrittenOutputIsNamedBelowTheWritingLine) {
    testing::ScratchDirectory scratch;
    const fs::path dir = scratch.path();
    fs::create_directory(dir / "ref");
    fs::create_directory(dir / "cmp");
    const std::string take = dir / "ref" / "r1.wav";
    wavetest::writeTake(take, 16, 44100, 0, 1000, 100, {10, 20, 30, 40});
    wavetest::writeTake(dir / "cmp" / "c1.wav", 16, 44100, 0, 1000, 100, {12, 20, 30, 40});
    const Bytes takeBytes = readBytes(take);
    // The report (over a kilobyte) is cut short by the limit; the 52-byte
    // signal files fit under it.
    const std::string oldReport = dir / "old.txt";
    const Bytes oldBytes(700, 'o');
    writeBytes(oldReport, oldBytes);
    const std::string lost = dir / "missing" / "cm.wav";
    const std::string difference = dir / "d.wav";

    ScriptedKeys keys;
    for (const std::string& answer : {(dir / "ref").string(), std::string("r"), std::string("50"),
                                      std::string("4"), std::string("95"), (dir / "cmp").string(),
                                      std::string("c"), oldReport, take, lost, difference})
        keys.line(answer);
    keys.functionKey();
    Console console{keys, nullptr};
    {
        const FileSizeLimit limit(1000);
        ASSERT_EQ(askAndAnalyse(console), 0);
    }

    const Screen& screen = console.screen;
    int writing = 0;
    while (writing < screen.rows && trimmedRow(screen, writing) != "   Writing output files...")
        ++writing;
    ASSERT_LT(writing, screen.rows - 6);
    EXPECT_EQ(trimmedRow(screen, writing + 1),
              "   Could not write " + oldReport + ": the file would be larger than allowed.");
    EXPECT_EQ(trimmedRow(screen, writing + 2),
              "   Could not write " + take + ": it is one of the recordings read.");
    EXPECT_EQ(trimmedRow(screen, writing + 3),
              "   Could not write " + lost + ": its directory does not exist.");
    EXPECT_EQ(trimmedRow(screen, writing + 4), "");
    EXPECT_EQ(trimmedRow(screen, writing + 5), "");
    EXPECT_EQ(trimmedRow(screen, writing + 6), "   Job finished");
    const int lineEnd = static_cast<int>(trimmedRow(screen, writing + 1).size()) - 1;
    EXPECT_TRUE(cellsHaveColours(screen, writing + 1, 0, lineEnd, darkGrey, brightWhite));

    EXPECT_EQ(readBytes(oldReport), oldBytes);
    EXPECT_EQ(readBytes(take), takeBytes);
    EXPECT_EQ(readBytes(difference).size(), 44u + 4 * 2);
    // Nothing is left behind but the files named and written.
    for (const auto& entry : fs::directory_iterator(dir)) {
        EXPECT_NE(entry.path().filename().string().rfind(".trellmark-", 0), 0u) << entry.path();
    }
}

// Runs `check` as a user who is not the file's owner, so that permissions
// count even when the tests run as root; the result is the child's.
bool asAnotherUser(const std::function<bool()>& check) {
    if (::geteuid() != 0) return check();
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped && check() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// A rename needs only the directory's permission; a file its user may not
// write is refused all the same, and stays as it was.
TEST(OutputFailures, AFileTheUserMayNotWriteStaysUntouched) {
    testing::ScratchDirectory scratch;
    const fs::path dir = scratch.path();
    ::chmod(dir.c_str(), 0777);
    const std::string locked = dir / "locked.txt";
    writeBytes(locked, Bytes(10, 'k'));
    ::chmod(locked.c_str(), 0444);
    EXPECT_TRUE(asAnotherUser([&locked] {
        std::string failure;
        const OutputFile file = openOutputFile(locked, {}, failure);
        return file.fd < 0 && failure == "permission to write it is denied";
    }));
    EXPECT_EQ(readBytes(locked), Bytes(10, 'k'));
}

// Outputs are told apart by the file they lead to, not by their spelling: a
// later answer naming an earlier output's file is refused, and the earlier
// file keeps what was written to it.
TEST(OutputFailures, AnAnswerNamingAnEarlierOutputsFileIsRefused) {
    testing::ScratchDirectory scratch;
    const fs::path dir = scratch.path();
    fs::create_directory(dir / "ref");
    fs::create_directory(dir / "cmp");
    fs::create_directory(dir / "out");
    fs::create_directory_symlink(dir / "out", dir / "link");
    wavetest::writeTake(dir / "ref" / "r1.wav", 16, 44100, 0, 1000, 100, {10, 20, 30, 40});
    wavetest::writeTake(dir / "cmp" / "c1.wav", 16, 44100, 0, 1000, 100, {12, 20, 30, 40});
    const std::string report = dir / "out" / "dlg.txt";
    const std::string sameAgain = (dir / "out").string() + "/./dlg.txt";
    const std::string throughLink = dir / "link" / "dlg.txt";
    const std::string difference = dir / "out" / "d.wav";

    ScriptedKeys keys;
    for (const std::string& answer : {(dir / "ref").string(), std::string("r"), std::string("50"),
                                      std::string("4"), std::string("95"), (dir / "cmp").string(),
                                      std::string("c"), report, sameAgain, throughLink, difference})
        keys.line(answer);
    keys.functionKey();
    Console console{keys, nullptr};
    ASSERT_EQ(askAndAnalyse(console), 0);

    const Screen& screen = console.screen;
    int writing = 0;
    while (writing < screen.rows && trimmedRow(screen, writing) != "   Writing output files...")
        ++writing;
    ASSERT_LT(writing, screen.rows - 3);
    EXPECT_EQ(trimmedRow(screen, writing + 1),
              "   Could not write " + sameAgain + ": it is the same file as " + report + ".");
    EXPECT_EQ(trimmedRow(screen, writing + 2),
              "   Could not write " + throughLink + ": it is the same file as " + report + ".");
    EXPECT_EQ(trimmedRow(screen, writing + 3), "");
    EXPECT_EQ(testing::readWholeFile(report).rfind("REFERENCE FILES:", 0), 0u);
    EXPECT_EQ(readBytes(difference).size(), 44u + 4 * 2);
}

TEST(OutputFailures, ReasonsReadAsPlainWords) {
    const std::pair<int, const char*> cases[] = {
        {ENOSPC, "the disk is full"},
        {EDQUOT, "the disk is full"},
        {EACCES, "permission to write it is denied"},
        {ENOENT, "its directory does not exist"},
        {EROFS, "the disk is read-only"},
        {EFBIG, "the file would be larger than allowed"},
        {EBADF, "bad file descriptor"},  // any other: the system's words, in lower case
    };
    for (const auto& [error, words] : cases) EXPECT_EQ(failureInWords(error), words) << error;
}

}  // namespace
}  // namespace trellmark

namespace trellmark {
namespace {

// Keys from a script, with Esc pressed while the permutation test runs when
// `pressEscape` is set.
class KeysWithEscape : public ScriptedKeys {
  public:
    explicit KeysWithEscape(bool pressEscape) : pressEscape_(pressEscape) {}
    std::optional<Key> keyIfWaiting() override {
        if (!pressEscape_) return std::nullopt;
        pressEscape_ = false;
        return Key{"\x1b"};
    }

  private:
    bool pressEscape_;
};

// With the verdict asked for, one line under the results counts the splits
// of the permutation test; Esc stops it, and the verdict says so.
TEST(DialogueVerdict, ThePermutationTestCountsOnOneLineAndEscapeStopsIt) {
    testing::ScratchDirectory scratch;
    const fs::path dir = scratch.path();
    fs::create_directory(dir / "ref");
    fs::create_directory(dir / "cmp");
    for (int i = 0; i < 6; ++i) {
        wavetest::writeTake(dir / "ref" / ("r" + std::to_string(i) + ".wav"), 16, 44100, 0, 1000,
                            100, {10 + i, 20 - i, 30 + i, 40 - i});
        wavetest::writeTake(dir / "cmp" / ("c" + std::to_string(i) + ".wav"), 16, 44100, 0, 1000,
                            100, {900 + i, 920 - i, 930 + i, 940 - i});
    }
    const struct {
        bool escape;
        const char* testingLine;
        const char* verdictEnd;
    } cases[] = {
        {false, "   Testing all 924 splits... 924", "(cluster p = "},
        {true, "   Testing all 924 splits... 0", "Not tested: stopped."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.escape);
        KeysWithEscape keys(c.escape);
        for (const std::string& answer :
             {(dir / "ref").string(), std::string("r"), std::string("50"), std::string("4"),
              std::string("95"), (dir / "cmp").string(), std::string("c"), std::string(),
              std::string(), std::string(), std::string()})
            keys.line(answer);
        keys.functionKey();
        Console console{keys, nullptr};
        DialogueOptions options;
        options.verdict = true;
        options.permutations.permutations = 100000;
        ASSERT_EQ(askAndAnalyse(console, options), 0);
        const Screen& screen = console.screen;
        int testing = 0;
        while (testing < screen.rows &&
               trimmedRow(screen, testing).find("   Testing") == std::string::npos)
            ++testing;
        ASSERT_LT(testing, screen.rows - 2);
        EXPECT_EQ(trimmedRow(screen, testing), c.testingLine);
        std::string below;
        for (int row = testing + 1; row < screen.rows; ++row) below += trimmedRow(screen, row);
        EXPECT_NE(below.find(c.verdictEnd), std::string::npos) << below;
    }
}

}  // namespace
}  // namespace trellmark

namespace trellmark {
namespace {

// The address space this process has mapped now, from /proc/self/status.
[[maybe_unused]] rlim_t mappedBytes() {
    const std::string status = testing::readWholeFile("/proc/self/status");
    const std::size_t at = status.find("VmSize:");
    return at == std::string::npos ? 0 : std::stoull(status.substr(at + 7)) * 1024;
}

// Memory running out at any step of the dialogue ends the run with its one
// line and "Job finished", never an abort: each limit is set in a forked
// child, a little above what it has mapped when the dialogue starts.
TEST(DialogueMemory, RunningOutEndsTheRunNormally) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address-space limits do not work under the address sanitizer";
#else
    testing::ScratchDirectory scratch;
    const fs::path dir = scratch.path();
    fs::create_directory(dir / "ref");
    fs::create_directory(dir / "cmp");
    for (int i = 0; i < 10; ++i) {
        const std::vector<int> window(80000, 10 + i);
        wavetest::writeTake(dir / "ref" / ("r" + std::to_string(i) + ".wav"), 16, 44100, 0, 1000,
                            100, window);
        wavetest::writeTake(dir / "cmp" / ("c" + std::to_string(i) + ".wav"), 16, 44100, 0, 1000,
                            100, window);
    }
    int ranShort = 0;
    int completed = 0;
    for (rlim_t extra = 1 << 20; extra <= rlim_t{49} << 20; extra += 2 << 20) {
        SCOPED_TRACE(extra);
        const pid_t child = ::fork();
        if (child == 0) {
            ScriptedKeys keys;
            for (const std::string& answer :
                 {(dir / "ref").string(), std::string("r"), std::string("50"), std::string("80000"),
                  std::string("95"), (dir / "cmp").string(), std::string("c"),
                  (dir / "report.txt").string(), std::string(), std::string(),
                  (dir / "d.wav").string()})
                keys.line(answer);
            keys.functionKey();
            Console console{keys, nullptr};
            DialogueOptions options;
            options.verdict = true;
            const rlim_t bytes = mappedBytes() + extra;
            const rlimit limit{bytes, bytes};
            ::setrlimit(RLIMIT_AS, &limit);
            try {
                askAndAnalyse(console, options);
            } catch (...) {
                ::_exit(2);  // escaped the dialogue: the program would stop with a message
            }
            bool finished = false;
            bool ranOut = false;
            for (int row = 0; row < console.screen.rows; ++row) {
                const std::string text = trimmedRow(console.screen, row);
                finished = finished || text == "   Job finished";
                ranOut = ranOut ||
                         text == "   That many samples do not fit in the memory of this computer.";
            }
            ::_exit(finished ? (ranOut ? 10 : 0) : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_TRUE(WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 10) << WEXITSTATUS(status);
        if (WEXITSTATUS(status) == 10) ++ranShort;
        if (WEXITSTATUS(status) == 0) ++completed;
        for (const auto& entry : fs::directory_iterator(dir)) {
            EXPECT_FALSE(entry.path().filename().string().starts_with(".trellmark-"));
        }
    }
    EXPECT_GT(ranShort, 0);
    EXPECT_GT(completed, 0);
#endif
}

}  // namespace
}  // namespace trellmark
