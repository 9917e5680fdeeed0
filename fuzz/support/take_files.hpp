#pragma once
// The analysis target's input format: the parameters of a run, then one to
// three takes per set, each a header and a short data pattern repeated, so
// that a few input bytes can make a take long enough for its level window
// (11026 values after the impulse). All numbers little-endian; bytes past the
// end of the input read as 0.
//
//   flags       bits 0-1 reference takes - 1 (3 counts as 0), bits 2-3 the
//               comparison's; bit 4 confidence 99 (else 95); bit 5 cluster
//               mass (else size); bit 6 start 17640 (else a start byte); bit 7
//               a 32-bit threshold (else 16-bit)
//   threshold   int16 or int32
//   [start]     byte, modulo 65
//   length      byte, modulo 67, minus 2: -2 .. 64
//   permutations byte, modulo 33; seed byte
//   per take:   kind byte: bits 0-1 depth 16, 24, 16 or a raw int16 that
//               follows; bit 2 a channels byte follows (else 1); bit 3 a raw
//               data size uint32 follows (else the true size); bit 4 a uint16
//               follows that cuts the file to that many bytes modulo its size + 1
//               pattern length byte, the pattern, repeat count uint16: the data
//               is the pattern repeated that many times plus once, at most
//               65536 bytes

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/analysis_parameters.hpp"
#include "support/input_reader.hpp"
#include "verdict/permutation_test.hpp"
#include "wave/wave_format.hpp"

namespace trellmark::fuzz {

constexpr std::size_t mostDataBytes = 65536;

struct RunInput {
    AnalysisParameters parameters;
    PermutationOptions permutations;
    std::vector<std::string> referenceTakes;  // whole file images
    std::vector<std::string> comparisonTakes;
};

inline std::string takeImage(InputReader& reader) {
    // Canonical takes only: 16 or 24 bits, mono, a data size of 1 to 2^31 - 1
    // bytes, at least the 44-byte header. The reader reads every other layout
    // by its chunks, which the plain fixed-offset reading does not follow.
    const std::uint8_t kind = reader.byte();
    const std::int16_t bits = (kind & 3) == 1 ? 24 : 16;
    const std::uint8_t channels = 1;
    const bool rawDataSize = (kind & 8) != 0;
    const std::uint32_t dataSizeField = rawDataSize ? reader.u32() % 0x7FFFFFFFu + 1 : 0;
    const bool cut = (kind & 16) != 0;
    const std::uint16_t cutAt = cut ? reader.u16() : 0;

    const std::string_view pattern = reader.bytes(reader.byte());
    const std::size_t repeats = reader.u16() + std::size_t{1};
    std::string data;
    for (std::size_t i = 0; i < repeats && !pattern.empty() && data.size() < mostDataBytes; ++i) {
        data += pattern;
    }
    data.resize(std::min(data.size(), mostDataBytes));

    using namespace waveformat;
    std::string image(headerSize, '\0');
    auto* header = reinterpret_cast<unsigned char*>(image.data());
    const auto dataSize = rawDataSize ? dataSizeField : static_cast<std::uint32_t>(data.size());
    putTag(header + riffTagOffset, "RIFF");
    putUint32(header + riffSizeOffset, dataSize + riffSizeOverData);
    putTag(header + waveTagOffset, "WAVE");
    putTag(header + fmtTagOffset, "fmt ");
    putUint32(header + fmtSizeOffset, canonicalFmtSize);
    putUint16(header + formatTagOffset, pcmFormatTag);
    putUint16(header + channelsOffset, channels);
    putUint32(header + sampleRateOffset, 44100);
    const auto blockAlign = static_cast<std::uint16_t>(channels * (bits / 8));
    putUint32(header + byteRateOffset, 44100u * blockAlign);
    putUint16(header + blockAlignOffset, blockAlign);
    putUint16(header + bitsPerSampleOffset, static_cast<std::uint16_t>(bits));
    putTag(header + dataTagOffset, "data");
    putUint32(header + dataSizeOffset, dataSize);
    image += data;
    if (cut) image.resize(std::max<std::size_t>(headerSize, cutAt % (image.size() + 1)));
    return image;
}

inline RunInput readRunInput(InputReader& reader) {
    RunInput run;
    const std::uint8_t flags = reader.byte();
    AnalysisParameters& parameters = run.parameters;
    parameters.impulseThreshold = (flags & 0x80) != 0 ? static_cast<std::int32_t>(reader.u32())
                                                      : static_cast<std::int16_t>(reader.u16());
    parameters.startOffset = (flags & 0x40) != 0 ? fixedStartOffset : reader.byte() % 65;
    parameters.analysisLength = reader.byte() % 67 - 2;
    parameters.confidenceLevel = (flags & 0x10) != 0 ? 99 : 95;
    run.permutations.permutations = reader.byte() % 33;
    run.permutations.seed = reader.byte();
    run.permutations.threads = 1;
    run.permutations.statistic =
        (flags & 0x20) != 0 ? ClusterStatistic::mass : ClusterStatistic::size;
    const int referenceTakes = (flags & 3) % 3 + 1;
    const int comparisonTakes = ((flags >> 2) & 3) % 3 + 1;
    for (int i = 0; i < referenceTakes; ++i) run.referenceTakes.push_back(takeImage(reader));
    for (int i = 0; i < comparisonTakes; ++i) run.comparisonTakes.push_back(takeImage(reader));
    return run;
}

}  // namespace trellmark::fuzz
