#include "wave/output_file.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

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

TEST(OutputFile, EmptyAndWildcardNamesCreateNothing) {
    ScratchDirectory dir;
    EXPECT_EQ(createOutputFile(""), -1);
    for (const std::string name : {"*", "?", "a*", "?b", "x*y?z.wav", "dir*/f.wav"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(createOutputFile((dir / name)), -1);
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(OutputFile, CreatesAnEmptyBlockingFileForWriting) {
    ScratchDirectory dir;
    const mode_t previous = ::umask(022);
    Descriptor file{createOutputFile((dir / "out.wav"))};
    ::umask(previous);
    ASSERT_GE(file.fd, 0);
    const int flags = ::fcntl(file.fd, F_GETFL);
    EXPECT_EQ(flags & O_ACCMODE, O_WRONLY);
    EXPECT_EQ(flags & O_NONBLOCK, 0);
    EXPECT_NE(::fcntl(file.fd, F_GETFD) & FD_CLOEXEC, 0);
    struct stat status {};
    ASSERT_EQ(::fstat(file.fd, &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0644u);
    EXPECT_EQ(status.st_size, 0);
}

TEST(OutputFile, AnExistingFileIsEmptied) {
    ScratchDirectory dir;
    writeBytes((dir / "old.txt"), Bytes(100, 'x'));
    Descriptor file{createOutputFile((dir / "old.txt"))};
    ASSERT_GE(file.fd, 0);
    ASSERT_EQ(::write(file.fd, "ab", 2), 2);
    EXPECT_EQ(readBytes((dir / "old.txt")), (Bytes{'a', 'b'}));
}

TEST(OutputFile, UnusableNamesGiveMinusOne) {
    ScratchDirectory dir;
    EXPECT_EQ(createOutputFile((dir / "missing/out.wav")), -1);
    EXPECT_EQ(createOutputFile(dir.path()), -1);
    // Without a reader the open fails at once instead of waiting for one.
    const std::string pipe = (dir / "pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(createOutputFile(pipe), -1);
}

TEST(OutputFile, APipeIsRefusedEvenWithAReader) {
    ScratchDirectory dir;
    const std::string pipe = (dir / "pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    Descriptor reader{::open(pipe.c_str(), O_RDONLY | O_NONBLOCK)};
    ASSERT_GE(reader.fd, 0);
    EXPECT_EQ(createOutputFile(pipe), -1);
}

// Bytes written to a terminal would land in the middle of the program's screen.
TEST(OutputFile, ATerminalIsRefused) {
    Descriptor master{::posix_openpt(O_RDWR | O_NOCTTY)};
    ASSERT_GE(master.fd, 0);
    ASSERT_EQ(::grantpt(master.fd), 0);
    ASSERT_EQ(::unlockpt(master.fd), 0);
    EXPECT_EQ(createOutputFile(::ptsname(master.fd)), -1);
}

TEST(OutputFile, TheNullDeviceTakesTheBytes) {
    Descriptor file{createOutputFile("/dev/null")};
    ASSERT_GE(file.fd, 0);
    EXPECT_EQ(::write(file.fd, "hi", 2), 2);
}

TEST(OutputFile, ALongPathIsUsedWhole) {
    ScratchDirectory dir;
    const testing::DeepPath deep = testing::makeDeepPath(dir.path(), "out.wav");
    ASSERT_GT(deep.path.size(), 500u);
    Descriptor file{createOutputFile(deep.path)};
    ASSERT_GE(file.fd, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(deep.path));
    EXPECT_FALSE(std::filesystem::exists(deep.decoy));
}

}  // namespace
}  // namespace trellmark
