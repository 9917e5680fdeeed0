#include "wave/value_decoding.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "wave/wave_reader.hpp"

namespace trellmark {
namespace {

// Every path decodes each whole value as the single-value decoders do (checked
// against literal cells in the reader's tests) and writes nothing past them.
TEST(ValueDecoding, EveryPathMatchesTheSingleValueDecoders) {
    // Bytes that take every sign and extreme: 0x00, 0x7F, 0x80 and 0xFF among
    // others, in no pattern a vector width repeats.
    std::vector<unsigned char> bytes(3 * 1003 + 2);
    std::uint32_t state = 12345;
    for (unsigned char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        const unsigned char pick = static_cast<unsigned char>(state >> 24);
        static const unsigned char extremes[] = {0x00, 0x7F, 0x80, 0xFF};
        byte = pick < 64 ? extremes[pick % 4] : pick;
    }
    constexpr std::int32_t untouched = 0x5A5A5A5A;
    for (const DecodePath path : {DecodePath::scalar, DecodePath::avx2}) {
        if (!decodePathAvailable(path)) continue;
        for (const int width : {2, 3}) {
            for (std::size_t size = 0; size < bytes.size(); size += size < 90 ? 1 : 397) {
                SCOPED_TRACE(::testing::Message()
                             << "path " << static_cast<int>(path) << ", " << width
                             << " bytes a value, " << size << " bytes");
                const std::size_t count = size / width;
                std::vector<std::int32_t> values(count + 1, untouched);
                decodeValues(path, std::span(bytes).first(size), width, values.data());
                for (std::size_t i = 0; i < count; ++i) {
                    const unsigned char* cell = bytes.data() + width * i;
                    ASSERT_EQ(values[i], width == 2 ? decode16(cell) : decode24(cell)) << i;
                }
                EXPECT_EQ(values[count], untouched);
            }
        }
    }
}

// The first value above a threshold, found without storing the values, is the
// one a plain search of the decoded values finds, wherever it lies in a block.
TEST(ValueDecoding, FirstValueAboveMatchesAPlainSearch) {
    for (const int width : {2, 3}) {
        for (const std::size_t count : {0u, 1u, 31u, 35u, 36u, 67u, 100u, 300u}) {
            for (const std::size_t at : {0u, 1u, 7u, 8u, 31u, 32u, 33u, 40u, 66u, 99u, 299u}) {
                // Values below the threshold (100), one above at `at` and more
                // after it; none above when `at` lies past the end.
                std::vector<unsigned char> bytes;
                for (std::size_t i = 0; i < count; ++i) {
                    const std::int32_t value =
                        i == at ? 101 : (i > at ? 5000 : (i % 2 == 0 ? 100 : -8000));
                    for (int b = 0; b < width; ++b) {
                        bytes.push_back(static_cast<unsigned char>((value >> (8 * b)) & 0xFF));
                    }
                }
                bytes.push_back(0xFF);  // a cut value is never looked at
                const std::size_t expected = at < count ? at : count;
                for (const DecodePath path : {DecodePath::scalar, DecodePath::avx2}) {
                    if (!decodePathAvailable(path)) continue;
                    EXPECT_EQ(firstValueAbove(path, bytes, width, 100), expected)
                        << "path " << static_cast<int>(path) << ", width " << width << ", count "
                        << count << ", at " << at;
                }
            }
        }
    }
}

}  // namespace
}  // namespace trellmark
