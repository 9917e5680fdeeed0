// The wave reader on any bytes, twice. First the input made canonical (a
// 44-byte header of RIFF, a 16-byte PCM fmt chunk, one channel of 16 or 24
// bits, a data size of 1 to 2^31 - 1 bytes; every other byte as it comes):
// every value the reader gives, by any of its ways in, must be the one the
// fixed-offset reading it replaced gives (tests/support/fixed_offset_reading.hpp).
// Then the input as it is, through the chunk walker (and libsndfile when it
// is no RIFF file): nothing may crash, and the integer, double and search
// forms of every range must agree. The AVX2 and plain decoders must agree
// too. The last eight bytes also choose a range to load and a threshold.
// Exactly sized buffers let AddressSanitizer see any read beyond the bytes
// that arrived.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "support/fixed_offset_reading.hpp"
#include "support/fuzz_check.hpp"
#include "support/scratch_directory.hpp"
#include "wave/value_decoding.hpp"
#include "wave/wave_reader.hpp"

namespace trellmark::fuzz {
namespace {

using testing::FixedOffsetHeader;

const testing::ScratchDirectory& scratch() {
    static const testing::ScratchDirectory directory;
    return directory;
}

struct Query {
    std::int64_t first = 0;
    std::int64_t count = 0;
    std::int32_t threshold = 0;
};

template <class Value>
std::int64_t firstAbove(const std::vector<Value>& values, std::int32_t threshold) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i] > threshold) return static_cast<std::int64_t>(i);
    }
    return static_cast<std::int64_t>(values.size());
}

// The input with a canonical header laid over its first 44 bytes.
std::string canonicalImage(std::string_view input) {
    std::string image(input);
    if (image.size() < 44) image.resize(44, '\0');
    const auto put = [&](std::size_t at, std::uint32_t value, int width) {
        for (int k = 0; k < width; ++k) image[at + k] = static_cast<char>(value >> (8 * k));
    };
    image.replace(0, 4, "RIFF");
    image.replace(8, 8, "WAVEfmt ");
    put(16, 16, 4);
    put(20, 1, 2);
    put(22, 1, 2);
    put(34, (static_cast<unsigned char>(image[34]) & 1) != 0 ? 24 : 16, 2);
    image.replace(36, 4, "data");
    const std::uint32_t size = testing::fixedOffsetField(image, 40, 4);
    put(40, size % 0x7FFFFFFFu + 1, 4);
    return image;
}

// Every form of one range agrees with the others; in a canonical file also
// with the fixed-offset reading.
void checkRange(HeldWave& held, const WaveInfo& info, const std::string* canonical,
                const Query& query) {
    std::vector<double> values;
    loadValues(held, info, query.first, query.count, values);
    FUZZ_CHECK(static_cast<std::int64_t>(values.size()) == std::max<std::int64_t>(query.count, 0));
    std::vector<unsigned char> buffer;
    const StoredValues stored = readStored(held, info, query.first, query.count, buffer);
    FUZZ_CHECK(stored.bytes.size() <= buffer.size());
    std::vector<double> decoded;
    decodeStored(stored, decoded);
    FUZZ_CHECK(decoded.size() == values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        FUZZ_CHECK(decoded[i] == values[i] || (std::isnan(decoded[i]) && std::isnan(values[i])));
    }
    if (info.kind != SampleKind::floating) {
        std::vector<std::int32_t> whole;
        decodeStored(stored, whole);
        const int bits = std::max<int>(info.bitsPerSample, 8);
        const double highest = std::ldexp(1.0, std::min(bits, 32) - 1);
        for (std::size_t i = 0; i < whole.size(); ++i) {
            FUZZ_CHECK(whole[i] == values[i]);
            FUZZ_CHECK(whole[i] >= -highest && whole[i] < highest);
        }
        FUZZ_CHECK(firstStoredAbove(stored, query.threshold) == firstAbove(whole, query.threshold));
    } else {
        FUZZ_CHECK(firstStoredAbove(stored, query.threshold) ==
                   firstAbove(values, query.threshold));
    }
    if (canonical == nullptr) return;
    const std::vector<std::int32_t> expected =
        testing::fixedOffsetValues(*canonical, query.first, query.count);
    FUZZ_CHECK(expected.size() == values.size());
    for (std::size_t i = 0; i < values.size(); ++i) FUZZ_CHECK(values[i] == expected[i]);
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

void checkFile(const std::string& image, bool canonical, std::int64_t first, std::int64_t count,
               std::int32_t threshold, int channel) {
    const std::string path = scratch() / "input.wav";
    scratch().writeFile("input.wav", image);
    HeldWave held;
    WaveInfo info;
    openWave(held, path, info, channel);
    FUZZ_CHECK(held.file.opened);
    FUZZ_CHECK(held.file.fileSize == static_cast<std::int64_t>(image.size()));
    FUZZ_CHECK(held.file.valuesInFile <= info.sampleCount || info.sampleCount == 0);
    if (canonical) {
        const FixedOffsetHeader header = testing::fixedOffsetHeader(image);
        FUZZ_CHECK(held.file.problem == WaveProblem::none);
        FUZZ_CHECK(info.format == "WAV PCM" && info.channels == 1 && info.dataOffset == 44);
        FUZZ_CHECK(info.sampleRate == header.sampleRate);
        FUZZ_CHECK(info.bitsPerSample == header.bitsPerSample);
        FUZZ_CHECK(info.dataSize == header.dataSize);
        FUZZ_CHECK(info.sampleCount == header.sampleCount);
        FUZZ_CHECK(held.file.valuesInFile == testing::fixedOffsetValuesInFile(image, header));
    }
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
        {first, -count, threshold},     // a negative count: nothing
    };
    for (const Query& query : queries) checkRange(held, info, canonical ? &image : nullptr, query);
    if (canonical) checkDecoders(image, info.bitsPerSample / 8, threshold);
}

}  // namespace
}  // namespace trellmark::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trellmark::fuzz;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The range and threshold from the last eight bytes: a start that may lie
    // before the file, up to 4095 values, any threshold; the channel from the
    // first byte.
    const std::size_t tail = size >= 8 ? size - 8 : 0;
    const auto byteAt = [&](std::size_t i) -> std::uint32_t { return i < size ? data[i] : 0; };
    const auto first = static_cast<std::int16_t>(byteAt(tail) | (byteAt(tail + 1) << 8));
    const std::int64_t count = (byteAt(tail + 2) | (byteAt(tail + 3) << 8)) % 4096;
    const auto threshold =
        static_cast<std::int32_t>(byteAt(tail + 4) | (byteAt(tail + 5) << 8) |
                                  (byteAt(tail + 6) << 16) | (byteAt(tail + 7) << 24));
    checkFile(canonicalImage(input), true, first, count, threshold, 0);
    checkFile(std::string(input), false, first, count, threshold, static_cast<int>(byteAt(0) % 3));
    return 0;
}
