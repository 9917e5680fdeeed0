// The wave reader on any bytes. The input is the whole file; its last eight
// bytes also choose a range to load and a threshold. Every value the reader
// gives, by any of its ways in, must be the one the fixed-offset reading gives
// (support/wave_reference.hpp), within the depth's range, and 0 past the data;
// the AVX2 and plain decoders must agree. Exactly sized buffers let
// AddressSanitizer see any read beyond the bytes that arrived.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "support/fuzz_check.hpp"
#include "support/scratch_directory.hpp"
#include "support/wave_reference.hpp"
#include "wave/value_decoding.hpp"
#include "wave/wave_reader.hpp"

namespace trellmark::fuzz {
namespace {

const testing::ScratchDirectory& scratch() {
    static const testing::ScratchDirectory directory;
    return directory;
}

struct Query {
    std::int64_t first = 0;
    std::int64_t count = 0;
    std::int32_t threshold = 0;
};

// The first index of values above threshold, values.size() when none is.
std::int64_t firstAbove(const std::vector<std::int32_t>& values, std::int32_t threshold) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i] > threshold) return static_cast<std::int64_t>(i);
    }
    return static_cast<std::int64_t>(values.size());
}

void checkRange(HeldWave& held, const WaveInfo& info, std::string_view file,
                const ReferenceHeader& header, const Query& query) {
    std::vector<std::int32_t> values;
    loadValues(held, info, query.first, query.count, values);
    FUZZ_CHECK(static_cast<std::int64_t>(values.size()) == std::max<std::int64_t>(query.count, 0));
    for (std::size_t i = 0; i < values.size(); ++i) {
        FUZZ_CHECK(withinDepth(values[i], info.bitsPerSample));
        // first + i stays within 64 bits: first is at most INT64_MAX - count.
        const std::int64_t index = query.first + static_cast<std::int64_t>(i);
        FUZZ_CHECK(values[i] == referenceValue(file, header, index));
    }

    // The two steps on their own, into a buffer of exactly the bytes asked for.
    std::vector<unsigned char> buffer;
    const StoredValues stored = readStored(held, info, query.first, query.count, buffer);
    FUZZ_CHECK(stored.bytes.size() <= buffer.size());
    std::vector<std::int32_t> decoded;
    decodeStored(stored, decoded);
    FUZZ_CHECK(decoded == values);
    FUZZ_CHECK(firstStoredAbove(stored, query.threshold) == firstAbove(values, query.threshold));

    std::vector<std::int32_t> loaded;
    LOADARRAY(held.file, info, query.first, query.count, loaded);
    FUZZ_CHECK(loaded == values);
}

// Both decoders over the data bytes, copied so that the copy ends where they do.
void checkDecoders(std::string_view file, int width, std::int32_t threshold) {
    if (width == 0 || file.size() <= 44) return;
    const std::vector<unsigned char> bytes(file.begin() + 44, file.end());
    const std::size_t count = bytes.size() / static_cast<std::size_t>(width);
    std::vector<std::int32_t> plain(count);
    decodeValues(DecodePath::scalar, bytes, width, plain.data());
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t expected =
            width == 2 ? decode16(&bytes[2 * i]) : decode24(&bytes[3 * i]);
        FUZZ_CHECK(plain[i] == expected);
    }
    const std::size_t above = firstValueAbove(DecodePath::scalar, bytes, width, threshold);
    FUZZ_CHECK(above == static_cast<std::size_t>(firstAbove(plain, threshold)));
    if (!decodePathAvailable(DecodePath::avx2)) return;
    std::vector<std::int32_t> wide(count);
    decodeValues(DecodePath::avx2, bytes, width, wide.data());
    FUZZ_CHECK(wide == plain);
    FUZZ_CHECK(firstValueAbove(DecodePath::avx2, bytes, width, threshold) == above);
}

}  // namespace
}  // namespace trellmark::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trellmark;
    using namespace trellmark::fuzz;
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    scratch().writeFile("input.wav", std::string(file));
    const std::string path = scratch() / "input.wav";

    unsigned char headerBytes[44] = {};
    for (std::size_t i = 0; i < 44 && i < size; ++i) headerBytes[i] = data[i];
    const WaveInfo fromBytes = READHEADER(headerBytes);
    const ReferenceHeader header = referenceHeader(file);
    FUZZ_CHECK(fromBytes.channels == header.channels);
    FUZZ_CHECK(fromBytes.sampleRate == header.sampleRate);
    FUZZ_CHECK(fromBytes.bitsPerSample == header.bitsPerSample);
    FUZZ_CHECK(fromBytes.dataSize == header.dataSize);
    FUZZ_CHECK(fromBytes.sampleCount == header.sampleCount);

    HeldWave held;
    WaveInfo info;
    openWave(held, path, info);
    FUZZ_CHECK(held.file.opened);
    FUZZ_CHECK(held.file.fileSize == static_cast<std::int64_t>(size));
    FUZZ_CHECK(info.sampleCount == header.sampleCount && info.dataSize == header.dataSize);
    FUZZ_CHECK(held.file.valuesInFile == referenceValuesInFile(file, header));

    // The range and threshold from the last eight bytes: a start that may lie
    // before the file, up to 4095 values, any threshold.
    const std::size_t tail = size >= 8 ? size - 8 : 0;
    const auto byteAt = [&](std::size_t i) -> std::uint32_t { return i < size ? data[i] : 0; };
    const auto first = static_cast<std::int16_t>(byteAt(tail) | (byteAt(tail + 1) << 8));
    const std::int64_t count = (byteAt(tail + 2) | (byteAt(tail + 3) << 8)) % 4096;
    const auto threshold =
        static_cast<std::int32_t>(byteAt(tail + 4) | (byteAt(tail + 5) << 8) |
                                  (byteAt(tail + 6) << 16) | (byteAt(tail + 7) << 24));
    const std::int64_t inFile = held.file.valuesInFile;
    constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t smallest = std::numeric_limits<std::int64_t>::min();
    const Query queries[] = {
        {first, count, threshold},
        {0, inFile + 2, threshold},     // the whole file and two values past it
        {inFile - 3, 8, threshold},     // across the end of the data
        {info.sampleCount - 2, 4, -1},  // across the promised end, zeros above -1
        {largest - 2, 3, threshold},    // far past the end, without overflow
        {smallest, 3, threshold},       // far before the start
        {first, -static_cast<std::int64_t>(count), threshold},  // a negative count: nothing
    };
    for (const Query& query : queries) checkRange(held, info, file, header, query);

    checkDecoders(file, valueWidth(info.bitsPerSample), threshold);
    return 0;
}
