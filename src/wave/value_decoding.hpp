#pragma once
// Turns stored sample bytes into values many at a time: an AVX2 form where the
// processor has it, a plain loop everywhere else, the same values from both.

#include <cstddef>
#include <cstdint>
#include <span>

namespace trellmark {

enum class DecodePath { scalar, avx2 };

// AVX2 when the processor and the system support it, else the plain loop.
DecodePath fastestDecodePath();

// False for a path this processor cannot run.
bool decodePathAvailable(DecodePath path);

// Decodes bytes.size() / bytesPerValue whole values (2: 16 bits, 3: 24 bits,
// little-endian two's complement) into values, which must have room for them.
// A cut value at the end is left to the caller.
void decodeValues(DecodePath path, std::span<const unsigned char> bytes, int bytesPerValue,
                  std::int32_t* values);

// The index of the first whole value strictly above threshold, the number of
// whole values when there is none: decoded and compared without being stored.
std::size_t firstValueAbove(DecodePath path, std::span<const unsigned char> bytes,
                            int bytesPerValue, std::int32_t threshold);

}  // namespace trellmark
