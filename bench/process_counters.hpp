#pragma once
// What the kernel counts for this process, for benchmarks that report the
// bytes a run reads beside its time.

#include <cstdint>
#include <fstream>
#include <string>

namespace trellmark::bench {

// Bytes this process has read so far through read calls, whether from the
// disk or the page cache.
inline std::uint64_t bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string field;
    std::uint64_t value = 0;
    while (io >> field >> value) {
        if (field == "rchar:") return value;
    }
    return 0;
}

}  // namespace trellmark::bench
