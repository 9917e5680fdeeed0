#pragma once
// How much memory this process can still take: the least of what the system
// has available, what its control group allows and what its resource limits
// allow. Past any of them the kernel kills the process (or an allocation fails
// half way), so each counts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trellmark {

// Memory the system can still give this process, in bytes.
std::uint64_t availableMemoryBytes();

// MemAvailable of /proc/meminfo, in bytes.
std::optional<std::uint64_t> meminfoAvailable(std::string_view meminfo);

// A control group's limit less its use, from the texts of its files; none
// when the limit is "max" or too large to be one.
std::optional<std::uint64_t> roomUnderLimit(std::string_view limit, std::string_view usage);

// The memory controller's folders of this process's control group and of each
// group above it, from the text of /proc/self/cgroup, under `mountRoot`
// (/sys/fs/cgroup): version 2 ("0::/a/b") and version 1 ("4:memory:/a/b").
struct CgroupMemoryFiles {
    std::string limit;  // memory.max, or memory.limit_in_bytes
    std::string usage;  // memory.current, or memory.usage_in_bytes
};
std::vector<CgroupMemoryFiles> cgroupMemoryFiles(std::string_view procSelfCgroup,
                                                 const std::string& mountRoot);

}  // namespace trellmark
