#pragma once
// Takes a fuzz input apart from its first byte on, so that a seed file can be
// written by hand or by a short script. Reading past the end gives zeros.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace trellmark::fuzz {

class InputReader {
  public:
    InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }

    std::uint8_t byte() { return empty() ? 0 : data_[at_++]; }

    // Little-endian, as the wave headers are.
    std::uint16_t u16() {
        const std::uint16_t low = byte();
        return static_cast<std::uint16_t>(low | (byte() << 8));
    }
    std::uint32_t u32() {
        const std::uint32_t low = u16();
        return low | (static_cast<std::uint32_t>(u16()) << 16);
    }

    // Up to `count` bytes, fewer at the end of the input.
    std::string_view bytes(std::size_t count) {
        const std::size_t taken = std::min(count, size_ - at_);
        const std::string_view text(reinterpret_cast<const char*>(data_ + at_), taken);
        at_ += taken;
        return text;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace trellmark::fuzz
