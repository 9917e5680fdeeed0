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

std::uint64_t usableMemoryBytes(std::uint64_t availableBytes) {
    return availableBytes - availableBytes / 4;
}

bool analysisFitsInMemory(std::int64_t analysisLength, std::uint64_t availableBytes) {
    if (analysisLength <= 0) return true;
    return static_cast<std::uint64_t>(analysisLength) <=
           usableMemoryBytes(availableBytes) / bytesPerAnalysedSample;
}

}  // namespace trellmark
