#include "io/memory_limits.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

namespace trellmark {
namespace {

TEST(MemoryLimits, MeminfoGivesAvailableBytes) {
    EXPECT_EQ(meminfoAvailable("MemTotal:       24000000 kB\nMemFree:  1000 kB\n"
                               "MemAvailable:   23845356 kB\n"),
              23845356ull * 1024);
    EXPECT_EQ(meminfoAvailable("MemTotal: 5 kB\n"), std::nullopt);
    EXPECT_EQ(meminfoAvailable("XMemAvailable: 7 kB\nMemAvailable: 3 kB\n"), 3072u);
}

TEST(MemoryLimits, AGroupLeavesItsLimitLessItsUse) {
    EXPECT_EQ(roomUnderLimit("1073741824\n", "268435456\n"), 805306368u);
    EXPECT_EQ(roomUnderLimit("1000\n", "5000\n"), 0u);  // over its limit already
    EXPECT_EQ(roomUnderLimit("max\n", "5000\n"), std::nullopt);
    EXPECT_EQ(roomUnderLimit("9223372036854771712\n", "5000\n"),
              std::nullopt);  // version 1's "none"
    EXPECT_EQ(roomUnderLimit("", ""), std::nullopt);
}

TEST(MemoryLimits, EveryGroupFromTheProcessUpIsAsked) {
    const auto files = cgroupMemoryFiles("0::/user.slice/app.scope\n", "/cg");
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].limit, "/cg/user.slice/app.scope/memory.max");
    EXPECT_EQ(files[0].usage, "/cg/user.slice/app.scope/memory.current");
    EXPECT_EQ(files[1].limit, "/cg/user.slice/memory.max");
    EXPECT_EQ(files[2].limit, "/cg/memory.max");  // a container's own group, seen as the root

    const auto v1 = cgroupMemoryFiles("5:cpu,cpuacct:/x\n4:memory,hugetlb:/box/1\n", "/cg");
    ASSERT_EQ(v1.size(), 3u);
    EXPECT_EQ(v1[0].limit, "/cg/memory/box/1/memory.limit_in_bytes");
    EXPECT_EQ(v1[0].usage, "/cg/memory/box/1/memory.usage_in_bytes");
    EXPECT_EQ(v1[2].limit, "/cg/memory/memory.limit_in_bytes");
    EXPECT_TRUE(cgroupMemoryFiles("garbage\n3:pids:/p\n", "/cg").empty());
}

// A process limited to 64 MiB more address space than it holds may take no
// more than that, however much the machine has free.
TEST(MemoryLimits, AnAddressSpaceLimitCounts) {
    EXPECT_GT(availableMemoryBytes(), 0u);
    const pid_t child = ::fork();
    if (child == 0) {
        std::ifstream statm("/proc/self/statm");
        std::uint64_t pages = 0;
        statm >> pages;
        const std::uint64_t room = 64ull << 20;
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = pages * ::sysconf(_SC_PAGESIZE) + room;
        if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(2);
        const std::uint64_t available = availableMemoryBytes();
        ::_exit(available > 0 && available <= room ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

}  // namespace
}  // namespace trellmark
