#include "analysis/memory_budget.hpp"

namespace trellmark {

std::uint64_t usableMemoryBytes(std::uint64_t availableBytes) {
    return availableBytes - availableBytes / 4;
}

bool analysisFitsInMemory(std::int64_t analysisLength, std::uint64_t availableBytes) {
    if (analysisLength <= 0) return true;
    return static_cast<std::uint64_t>(analysisLength) <=
           usableMemoryBytes(availableBytes) / bytesPerAnalysedSample;
}

}  // namespace trellmark
