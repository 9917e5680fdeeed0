#include "analysis/memory_budget.hpp"

#include <unistd.h>

#include <fstream>
#include <string>

namespace trellmark {

std::uint64_t availableMemoryBytes() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kilobytes = 0;
    std::string unit;
    while (meminfo >> key >> kilobytes >> unit) {
        if (key == "MemAvailable:") return kilobytes * 1024;
    }
    long pages = sysconf(_SC_AVPHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

bool analysisFitsInMemory(std::int64_t analysisLength, std::uint64_t availableBytes) {
    if (analysisLength <= 0) return true;
    // Keep a quarter of what is free for everything else on the machine.
    std::uint64_t usable = availableBytes - availableBytes / 4;
    return static_cast<std::uint64_t>(analysisLength) <= usable / bytesPerAnalysedSample;
}

}  // namespace trellmark
