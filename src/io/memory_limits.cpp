#include "io/memory_limits.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace trellmark {
namespace {

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<std::uint64_t> wholeNumber(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) return std::nullopt;
    text.remove_prefix(start);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) return std::nullopt;
    return value;
}

// Version 1 writes "no limit" as the largest page-aligned signed 64-bit
// number; nothing of that size is a real limit.
constexpr std::uint64_t noRealLimit = std::uint64_t{1} << 62;

// The files of the group at `path` under `root` and of each group above it.
void addGroupAndParents(std::vector<CgroupMemoryFiles>& files, const std::string& root,
                        std::string path, const char* limitName, const char* usageName) {
    while (true) {
        files.push_back({root + path + "/" + limitName, root + path + "/" + usageName});
        if (path.empty()) return;
        path.erase(path.find_last_of('/'));
    }
}

// Room left under RLIMIT_AS (the address space) or RLIMIT_DATA (data and
// private mappings), given what the process holds of it now.
std::optional<std::uint64_t> roomUnderResourceLimit(int resource, std::uint64_t heldPages) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    const std::uint64_t held = heldPages * static_cast<std::uint64_t>(pageSize > 0 ? pageSize : 0);
    return limit.rlim_cur > held ? limit.rlim_cur - held : 0;
}

}  // namespace

std::optional<std::uint64_t> meminfoAvailable(std::string_view meminfo) {
    constexpr std::string_view key = "MemAvailable:";
    std::size_t at = meminfo.find(key);
    while (at != std::string_view::npos && at != 0 && meminfo[at - 1] != '\n') {
        at = meminfo.find(key, at + 1);
    }
    if (at == std::string_view::npos) return std::nullopt;
    const std::optional<std::uint64_t> kilobytes = wholeNumber(meminfo.substr(at + key.size()));
    if (!kilobytes) return std::nullopt;
    return *kilobytes * 1024;
}

std::optional<std::uint64_t> roomUnderLimit(std::string_view limit, std::string_view usage) {
    const std::optional<std::uint64_t> bytes = wholeNumber(limit);
    if (!bytes || *bytes >= noRealLimit) return std::nullopt;
    const std::uint64_t used = wholeNumber(usage).value_or(0);
    return *bytes > used ? *bytes - used : 0;
}

std::vector<CgroupMemoryFiles> cgroupMemoryFiles(std::string_view procSelfCgroup,
                                                 const std::string& mountRoot) {
    std::vector<CgroupMemoryFiles> files;
    std::istringstream lines{std::string(procSelfCgroup)};
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t first = line.find(':');
        const std::size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        std::string path = line.substr(second + 1);
        if (path.empty() || path[0] != '/') continue;
        if (path == "/") path.clear();
        if (line.compare(0, first, "0") == 0 && controllers.empty()) {
            addGroupAndParents(files, mountRoot, path, "memory.max", "memory.current");
            continue;
        }
        std::istringstream names(controllers);
        std::string name;
        while (std::getline(names, name, ',')) {
            if (name == "memory") {
                addGroupAndParents(files, mountRoot + "/memory", path, "memory.limit_in_bytes",
                                   "memory.usage_in_bytes");
            }
        }
    }
    return files;
}

std::uint64_t availableMemoryBytes() {
    std::optional<std::uint64_t> least = meminfoAvailable(fileText("/proc/meminfo"));
    if (!least) {
        const long pages = ::sysconf(_SC_AVPHYS_PAGES);
        const long pageSize = ::sysconf(_SC_PAGESIZE);
        least = pages > 0 && pageSize > 0
                    ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize)
                    : 0;
    }
    const auto take = [&least](std::optional<std::uint64_t> room) {
        if (room) least = std::min(*least, *room);
    };
    for (const CgroupMemoryFiles& group :
         cgroupMemoryFiles(fileText("/proc/self/cgroup"), "/sys/fs/cgroup")) {
        const std::string limit = fileText(group.limit);
        if (!limit.empty()) take(roomUnderLimit(limit, fileText(group.usage)));
    }
    // /proc/self/statm: the size of the address space, then, sixth, of data
    // and stack, in pages.
    std::istringstream statm(fileText("/proc/self/statm"));
    std::uint64_t fields[6] = {};
    for (std::uint64_t& field : fields) statm >> field;
    take(roomUnderResourceLimit(RLIMIT_AS, fields[0]));
    take(roomUnderResourceLimit(RLIMIT_DATA, fields[5]));
    return *least;
}

}  // namespace trellmark
