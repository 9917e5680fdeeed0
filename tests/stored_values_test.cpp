#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/find_impulse.hpp"
#include "wave/wave_reader.hpp"

namespace trellmark {
namespace {

// Every shape a stored range can take: zeros before the stored values (a
// range starting before the data), a value cut by the end of the file, zeros
// after (a range past the data), nothing stored at all.
TEST(StoredValues, SearchingThemFindsWhatSearchingTheDecodedValuesFinds) {
    const std::vector<unsigned char> bytes{0x10, 0x00, 0x00, 0xF0, 0xFF, 0xFF,  // 16, -16
                                           0x00, 0x01, 0x00, 0x05, 0x80};       // 256, cut
    struct Shape {
        const char* name;
        std::int64_t first, count, begin, end;
        std::size_t size;
        int width;
    };
    const Shape shapes[] = {
        {"whole values only", 0, 3, 0, 3, 9, 3}, {"zeros before", -2, 5, 0, 3, 9, 3},
        {"a cut value", 0, 4, 0, 4, 11, 3},      {"a cut value and zeros after", 0, 7, 0, 4, 11, 3},
        {"zeros around", -3, 9, 0, 4, 11, 3},    {"16-bit with a cut value", 0, 6, 0, 6, 11, 2},
        {"nothing stored", 4, 3, 0, 0, 0, 0},
    };
    for (const Shape& shape : shapes) {
        StoredValues stored;
        stored.first = shape.first;
        stored.count = shape.count;
        stored.begin = shape.begin;
        stored.end = shape.end;
        stored.coding = shape.width == 2   ? ValueCoding::signed16
                        : shape.width == 3 ? ValueCoding::signed24
                                           : ValueCoding::none;
        stored.bytesPerValue = stored.stride = shape.width;
        stored.bytes = std::span(bytes).first(shape.size);
        std::vector<std::int32_t> values{7, 7};  // stale contents must go
        decodeStored(stored, values);
        ASSERT_EQ(values.size(), static_cast<std::size_t>(shape.count)) << shape.name;
        for (const std::int32_t threshold : {-20000000, -17, -1, 0, 15, 16, 255, 300, 1 << 24}) {
            EXPECT_EQ(firstStoredAbove(stored, threshold), findImpulse(values, threshold))
                << shape.name << ", threshold " << threshold;
        }
    }
}

}  // namespace
}  // namespace trellmark
