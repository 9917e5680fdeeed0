#include "io/output_file.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "support/deep_path.hpp"
#include "support/scratch_directory.hpp"
#include "support/wave_bytes.hpp"

namespace trellmark {
namespace {

using namespace wavetest;
using testing::ScratchDirectory;

// Closes the descriptor when the test is done with it.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// Opens the name with no recordings to protect; -1 when refused.
int openFor(const std::string& name) {
    std::string failure;
    OutputFile file = openOutputFile(name, {}, failure);
    if (file.fd < 0) {
        EXPECT_FALSE(failure.empty()) << name;
    }
    return file.fd;
}

// Writes the bytes through an output file and finishes it; the failure text,
// empty when written.
std::string writeThrough(const std::string& name, const std::string& bytes,
                         std::span<const FileIdentity> inputs = {}) {
    std::string failure;
    OutputFile file = openOutputFile(name, inputs, failure);
    if (file.fd < 0) return failure;
    const bool all =
        ::write(file.fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (!finishOutputFile(file, all, false, failure)) return failure.empty() ? "?" : failure;
    return "";
}

TEST(OutputFile, EmptyAndWildcardNamesCreateNothing) {
    ScratchDirectory dir;
    EXPECT_EQ(openFor(""), -1);
    for (const std::string name : {"*", "?", "a*", "?b", "x*y?z.wav", "dir*/f.wav"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(openFor(dir / name), -1);
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(OutputFile, ANewFileAppearsOnlyWhenFinished) {
    ScratchDirectory dir;
    const mode_t previous = ::umask(022);
    std::string failure;
    OutputFile file = openOutputFile(dir / "out.wav", {}, failure);
    ::umask(previous);
    ASSERT_GE(file.fd, 0);
    EXPECT_EQ(::fcntl(file.fd, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(::fcntl(file.fd, F_GETFD) & FD_CLOEXEC, 0);
    ASSERT_EQ(::write(file.fd, "ab", 2), 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.wav"));
    ASSERT_TRUE(finishOutputFile(file, true, false, failure));
    EXPECT_EQ(readBytes(dir / "out.wav"), (Bytes{'a', 'b'}));
    struct stat status {};
    ASSERT_EQ(::stat((dir / "out.wav").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(OutputFile, AnExistingFileIsReplacedWholeOrKeptWhole) {
    ScratchDirectory dir;
    writeBytes(dir / "old.txt", Bytes(100, 'x'));
    ::chmod((dir / "old.txt").c_str(), 0640);
    EXPECT_EQ(writeThrough(dir / "old.txt", "ab"), "");
    EXPECT_EQ(readBytes(dir / "old.txt"), (Bytes{'a', 'b'}));
    struct stat status {};
    ASSERT_EQ(::stat((dir / "old.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);  // its permissions stay

    // A write that fails leaves the earlier file as it was, and no litter.
    std::string failure;
    OutputFile file = openOutputFile(dir / "old.txt", {}, failure);
    ASSERT_GE(file.fd, 0);
    ASSERT_EQ(::write(file.fd, "partial", 7), 7);
    EXPECT_FALSE(finishOutputFile(file, false, false, failure));
    EXPECT_EQ(readBytes(dir / "old.txt"), (Bytes{'a', 'b'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(OutputFile, ALinkKeepsPointingAtTheReplacedFile) {
    ScratchDirectory dir;
    writeBytes(dir / "target.txt", Bytes(5, 'x'));
    ASSERT_EQ(::symlink("target.txt", (dir / "link.txt").c_str()), 0);
    EXPECT_EQ(writeThrough(dir / "link.txt", "new"), "");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
    EXPECT_EQ(readBytes(dir / "target.txt"), (Bytes{'n', 'e', 'w'}));
}

TEST(OutputFile, ARecordingTheRunReadIsNeverReplaced) {
    ScratchDirectory dir;
    writeBytes(dir / "take1.wav", Bytes(50, 'w'));
    ASSERT_EQ(::symlink("take1.wav", (dir / "alias.wav").c_str()), 0);
    const FileIdentity input = *identityOf(dir / "take1.wav");
    const std::vector<FileIdentity> inputs{input};
    EXPECT_EQ(writeThrough(dir / "take1.wav", "result", inputs),
              "it is one of the recordings read");
    EXPECT_EQ(writeThrough(dir / "alias.wav", "result", inputs),
              "it is one of the recordings read");
    EXPECT_EQ(readBytes(dir / "take1.wav"), Bytes(50, 'w'));
    EXPECT_EQ(writeThrough(dir / "other.wav", "result", inputs), "");
}

TEST(OutputFile, UnusableNamesAreRefusedWithAReason) {
    ScratchDirectory dir;
    EXPECT_EQ(writeThrough(dir / "missing/out.wav", "x"), "its directory does not exist");
    EXPECT_EQ(writeThrough(dir.path(), "x"), "it is a directory");
    // Neither waits for a reader nor writes to one.
    const std::string pipe = (dir / "pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(writeThrough(pipe, "x"), "it is not a regular file");
    Descriptor reader{::open(pipe.c_str(), O_RDONLY | O_NONBLOCK)};
    ASSERT_GE(reader.fd, 0);
    EXPECT_EQ(writeThrough(pipe, "x"), "it is not a regular file");
}

// Bytes written to a terminal would land in the middle of the program's screen.
TEST(OutputFile, ATerminalIsRefused) {
    Descriptor master{::posix_openpt(O_RDWR | O_NOCTTY)};
    ASSERT_GE(master.fd, 0);
    ASSERT_EQ(::grantpt(master.fd), 0);
    ASSERT_EQ(::unlockpt(master.fd), 0);
    EXPECT_EQ(writeThrough(::ptsname(master.fd), "x"), "it is a terminal");
}

TEST(OutputFile, TheNullDeviceTakesTheBytes) {
    EXPECT_EQ(writeThrough("/dev/null", "hi"), "");
    EXPECT_EQ(writeThrough("/dev/full", "hi"), "?");
}

TEST(OutputFile, ALongPathIsUsedWhole) {
    ScratchDirectory dir;
    const testing::DeepPath deep = testing::makeDeepPath(dir.path(), "out.wav");
    ASSERT_GT(deep.path.size(), 500u);
    EXPECT_EQ(writeThrough(deep.path, "x"), "");
    EXPECT_TRUE(std::filesystem::is_regular_file(deep.path));
    EXPECT_FALSE(std::filesystem::exists(deep.decoy));
}

}  // namespace
}  // namespace trellmark
