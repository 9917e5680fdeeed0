#pragma once
// Whether the per-sample arrays of an analysis length fit in memory. The
// system hands out memory it does not have and kills the process later, so the
// run asks before it allocates instead of waiting for an allocation to fail.

#include <cstdint>

#include "io/memory_limits.hpp"

namespace trellmark {

// Bytes the run holds per analysed sample: both sets' means and standard
// deviations (32), the working window (4), shift values (8), the folding
// thread's queued window bytes (up to 12), the difference signal, t and
// degrees of freedom (24) and a written file's data area (3), with room to
// spare.
constexpr std::uint64_t bytesPerAnalysedSample = 96;

bool analysisFitsInMemory(std::int64_t analysisLength, std::uint64_t availableBytes);

// What the run may take of the available memory: three quarters, the rest
// stays for everything else on the machine.
std::uint64_t usableMemoryBytes(std::uint64_t availableBytes);

}  // namespace trellmark
